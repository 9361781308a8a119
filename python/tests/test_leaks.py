"""No threads or memory left behind: a thousand calls leave the process as they found it."""

import gc
import threading
import warnings

import pandas as pd

import kelvaro
from conftest import EXAMPLE_PAIRS


def resident_kib():
    with open("/proc/self/status") as f:
        fields = dict(line.split(":", 1) for line in f)
    return int(fields["VmRSS"].split()[0]), int(fields["Threads"])


def test_a_thousand_calls_leave_no_threads_or_memory():
    _, first, second = EXAMPLE_PAIRS[0]
    tables = pd.read_csv(first, index_col=0), pd.read_csv(second, index_col=0)
    records = {"group": ["g"] * 8, "sample": ["1"] * 4 + ["2"] * 4, "site": list("abca") * 2,
               "species": list("xyzwxyvw")}

    def calls(n):
        with warnings.catch_warnings():
            warnings.simplefilter("ignore")
            for i in range(n):
                kelvaro.analyse(*tables, nreps=5, threads=1 + i % 2)
                kelvaro.batch(records, nreps=5, threads=1 + i % 2)
        gc.collect()

    calls(100)  # warm: allocators and caches at their working size
    before, threads_before = resident_kib()
    python_threads = threading.active_count()
    calls(1000)
    after, threads_after = resident_kib()
    assert threads_after == threads_before
    assert threading.active_count() == python_threads
    # A leak of even a few hundred bytes a call would show as megabytes here.
    assert after - before < 4096, f"resident memory grew by {after - before} KiB"
