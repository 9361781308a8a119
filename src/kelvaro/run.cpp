#include "kelvaro/run.h"

#include <ostream>

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

void report_read_error(std::ostream& err, const textio::ReadError& e, const std::string& name) {
  err << "At line " << e.line() << " of file kelvaro (unit = 5, file = '" << name << "')\n"
      << e.reason() << '\n';
}

// Puts the report stream and the bootstrap observer back when the run ends, however it ends.
class RunScope {
 public:
  RunScope(std::ostream* out, BootstrapObserver* observer, WarningLog* log) {
    textio::set_report_stream(out);
    set_bootstrap_observer(observer);
    set_current_warning_log(log);
  }
  ~RunScope() {
    textio::set_report_stream(nullptr);
    set_bootstrap_observer(nullptr);
    set_current_warning_log(nullptr);
  }
  RunScope(const RunScope&) = delete;
  RunScope& operator=(const RunScope&) = delete;
};

}  // namespace

int run(textio::ByteSource& source, const RunSettings& settings, std::ostream& out,
        std::ostream& err) {
  reset_run_state();
  textio::ListReader in(source);
  int status = kStatusComplete;
  WarningLog log(settings.on_warning);
  try {
    RunScope scope(settings.check_only ? nullptr : &out, settings.observer, &log);
    try {
      const Header h = read_header(in);
      if (const auto why = refusal(h)) {
        err << "kelvaro: " << *why << '\n';
        status = kStatusBadInput;
      } else {
        drive(h, in, !settings.check_only);
      }
    } catch (const textio::ReadError& e) {
      out.flush();
      report_read_error(err, e, settings.input_name);
      status = kStatusBadInput;
    } catch (const textio::InputFailure& e) {
      out.flush();
      err << "kelvaro: cannot read the input: " << e.what() << '\n';
      status = kStatusBadInput;
    }
  } catch (const textio::OutputFailure&) {
    status = kStatusWriteFailed;
  }
  out.flush();
  if (!out.good() && status == kStatusComplete) status = kStatusWriteFailed;
  err.flush();
  return status;
}

int run(std::string_view input, std::ostream& out, std::ostream& err) {
  textio::TextSource source(input);
  return run(source, RunSettings{}, out, err);
}

int run(std::istream& in, std::ostream& out, std::ostream& err) {
  textio::StreamSource source(in);
  return run(source, RunSettings{}, out, err);
}

}  // namespace kelvaro
