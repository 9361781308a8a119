#include "common/command_line.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <iostream>
#include <sstream>

#include "kelvaro/checked_output.h"
#include "kelvaro/command_line.h"

namespace kelvaro::tools {

void reserve_standard_streams() {
  for (const int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
    if (::fcntl(fd, F_GETFD) != -1) continue;
    const int opened = ::open("/dev/null", fd == STDIN_FILENO ? O_WRONLY : O_RDONLY);
    if (opened >= 0 && opened != fd) {  // the lowest free descriptor is `fd` itself
      ::dup2(opened, fd);
      ::close(opened);
    }
  }
}

namespace {

// A parser's message longer than this is cut (a value of 100 KB would make one of 100 KB).
constexpr std::size_t kShownMessageBytes = 400;

// The words for a missing required argument, or nullopt for CLI11's own.
std::optional<std::string> missing_words(const CLI::App& app, const MissingArguments& missing) {
  for (const CLI::Option* option : app.get_options()) {
    if (!option->get_required() || option->count() > 0) continue;
    for (const auto& [name, words] : missing) {
      if (option->get_name() == name) return words;
    }
  }
  return std::nullopt;
}

}  // namespace

std::optional<int> parse_command_line(CLI::App& app, int argc, char** argv,
                                      const MissingArguments& missing) {
  try {
    app.parse(argc, argv);
    return std::nullopt;
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() != 0) {
      std::string what = e.what();
      if (dynamic_cast<const CLI::RequiredError*>(&e) != nullptr) {
        what = missing_words(app, missing).value_or(what);
      }
      // The parser's messages hold the values given: shown cut and escaped.
      print_error(app,
                  cli::shown_text(what, kShownMessageBytes) + " (" + app.get_name() + " --help)");
      return kRefused;
    }
    std::ostringstream text;
    app.exit(e, text, std::cerr);
    const bool version = e.get_name() == "CallForVersion";
    try {
      StandardOutput out(version ? "the version" : "the help text");
      out.write(text.str());
      out.finish();
    } catch (const WriteError& failure) {
      print_error(app, failure.what());
      return kWriteFailed;
    }
    return 0;
  }
}

CLI::Option* add_real_number_function(CLI::App& app, const std::string& names,
                                      const std::string& long_name, std::function<void(double)> set,
                                      const std::string& description) {
  auto* option = app.add_option_function<std::string>(
      names,
      [long_name, set](const std::string& text) {
        double value = 0.0;
        if (!text.empty()) {
          if (auto refusal = cli::parse_real_option(long_name, text, value)) {
            throw CLI::ValidationError(*refusal);
          }
        }
        set(value);
      },
      description);
  return option->type_name("FLOAT");
}

CLI::Option* add_real_number_option(CLI::App& app, const std::string& names,
                                    const std::string& long_name, double& value,
                                    const std::string& description) {
  return add_real_number_function(
      app, names, long_name, [&value](double v) { value = v; }, description);
}

CLI::Validator non_empty_name() {
  return CLI::Validator(
      [](const std::string& value) {
        return value.empty() ? std::string("an empty name names no file or folder") : std::string();
      },
      "");
}

void add_table_reading_options(CLI::App& app, std::string& separator, bool& na_absent,
                               bool& fold_case) {
  app.add_option("--sep", separator,
                 "the separator of the CSV files: comma, semicolon (numbers with decimal commas) "
                 "or tab (default: found in each file's header row)")
      ->type_name("C");
  app.add_flag("--na-absent", na_absent, "take NA and NaN cells as absent (not detected)");
  app.add_flag("--fold-case", fold_case,
               "take species and site names that differ only in case or blanks around them as "
               "one name");
}

CLI::Option* add_sample_order_option(CLI::App& app, SampleOrder& order, const std::string& help) {
  // The value becomes the order's number, which CLI11 reads into the enumeration.
  const CLI::Validator names(
      [](std::string& value) {
        for (const SampleOrder o : {SampleOrder::kNatural, SampleOrder::kFile}) {
          const std::string name = sample_order_name(o);
          const bool same =
              value.size() == name.size() &&
              std::equal(value.begin(), value.end(), name.begin(), [](char a, char b) {
                return std::tolower(static_cast<unsigned char>(a)) == b;
              });
          if (same) {
            value = std::to_string(static_cast<int>(o));
            return std::string();
          }
        }
        return "'" + cli::shown_text(value) + "' is not an order: give natural or file";
      },
      "", "sample order");
  return app.add_option("--sample-order", order, help)
      ->transform(names)
      ->default_str(sample_order_name(order))
      ->type_name("ORDER");
}

void print_error(const CLI::App& app, const std::string& message) {
  std::cerr << app.get_name() << ": " << message << std::endl;
}

}  // namespace kelvaro::tools
