// The example long table: the bundled site-by-species tables as one row per detection, each data
// set a group and each of its tables a sample.
//   group,sample,site,species,count
//   ditches,week -4,ditch1,Simve,3.951
import ditchesBefore from '../../examples/data/ditches-week-4.csv';
import ditchesAfter from '../../examples/data/ditches-week24.csv';
import plots1 from '../../examples/data/plots-1-25.csv';
import plots2 from '../../examples/data/plots-26-50.csv';

const SAMPLES = [
  ['ditches', 'week -4', ditchesBefore],
  ['ditches', 'week 24', ditchesAfter],
  ['forest', 'plots 1-25', plots1],
  ['forest', 'plots 26-50', plots2],
];

// Every cell above 0 of the tables, as a record with its value as the count.
export function longExample() {
  const rows = ['group,sample,site,species,count'];
  for (const [group, sample, table] of SAMPLES) {
    const [header, ...lines] = table.trim().split(/\r?\n/);
    const species = header.split(',').slice(1);
    for (const line of lines) {
      const [site, ...cells] = line.split(',');
      cells.forEach((cell, i) => {
        if (Number(cell) > 0) rows.push(`${group},${sample},${site},${species[i]},${cell}`);
      });
    }
  }
  return rows.join('\r\n') + '\r\n';
}
