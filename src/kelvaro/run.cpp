#include "kelvaro/run.h"

#include <istream>
#include <iterator>
#include <ostream>
#include <string>

#include "jack/coeff.h"
#include "kelvaro/driver.h"
#include "ran/kiss.h"
#include "shared/storage.h"
#include "testp/testp.h"
#include "textio/list_reader.h"
#include "textio/report.h"

namespace kelvaro {

namespace {

// Every shared storage area, saved static and the generator back to their start-up values.
void reset_run_state() {
  reset_storage();
  reset_generator();
  reset_testp();
  reset_coeff_cache();
}

void report_read_error(std::ostream& err, const textio::ReadError& e) {
  err << "At line " << e.line() << " of file kelvaro (unit = 5, file = 'stdin')\n"
      << e.reason() << '\n';
}

}  // namespace

int run(std::string_view input, std::ostream& out, std::ostream& err) {
  reset_run_state();
  textio::ListReader in(input);
  textio::set_report_stream(&out);
  int status = 0;
  try {
    const Header h = read_header(in);
    if (const auto why = refusal(h)) {
      err << "kelvaro: " << *why << '\n';
      status = 2;
    } else {
      drive(h, in);
    }
  } catch (const textio::ReadError& e) {
    out.flush();
    report_read_error(err, e);
    status = 2;
  }
  out.flush();
  err.flush();
  textio::set_report_stream(nullptr);
  return status;
}

int run(std::istream& in, std::ostream& out, std::ostream& err) {
  const std::string input{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  return run(input, out, err);
}

}  // namespace kelvaro
