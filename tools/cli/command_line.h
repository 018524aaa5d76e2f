#pragma once

// The one way the tools and benchmarks read their arguments: CLI11, with the
// same conventions everywhere. Each occurrence of an option takes one value
// (a repeated option's last value wins unless the option collects them),
// -h/--help is a flag the program answers itself (it may come anywhere and
// never stops the other arguments being checked), and a problem is returned
// as text for the program to print beside its usage and exit code.

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace vestrel::cli {

struct ParseResult {
  bool Help = false;
  std::string Error;  // not empty: the arguments were wrong
};

// A CLI11 application with the conventions above; add the options after.
class CommandLine {
 public:
  CommandLine(std::string description, std::string name)
      : app_(std::move(description), std::move(name)) {
    app_.set_help_flag();
    app_.add_flag("-h,--help", help_, "print this help");
    app_.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  }

  CLI::App& App() { return app_; }

  // Parses the arguments after the program's name.
  ParseResult Parse(std::vector<std::string> arguments) {
    std::reverse(arguments.begin(), arguments.end());  // CLI11 takes them last first
    try {
      app_.parse(arguments);
    } catch (const CLI::ParseError& error) {
      return {help_, error.what()};
    }
    return {help_, ""};
  }

  std::string Help() const { return app_.help(); }

 private:
  CLI::App app_;
  bool help_ = false;
};

inline std::vector<std::string> ArgumentsOf(int argc, char** argv) {
  return argc > 1 ? std::vector<std::string>(argv + 1, argv + argc) : std::vector<std::string>{};
}

// A finite number of at least lowest (above it when !orEqual); CLI11's own
// Range lets NaN through.
inline CLI::Validator NumberFrom(double lowest, bool orEqual, const std::string& description) {
  return CLI::Validator(
      [=](std::string& text) -> std::string {
        double value = 0;
        if (!CLI::detail::lexical_cast(text, value) || !std::isfinite(value) || value < lowest ||
            (!orEqual && value == lowest)) {
          return "needs " + description + ", not " + text;
        }
        return "";
      },
      "");  // the option's own type name says what it takes
}

// A whole number from lowest to highest.
template <typename Integer>
CLI::Validator WholeNumber(Integer lowest, Integer highest) {
  return CLI::Validator(
      [=](std::string& text) -> std::string {
        Integer value = 0;
        if (!CLI::detail::lexical_cast(text, value) || value < lowest || value > highest) {
          return "needs a whole number from " + std::to_string(lowest) + " to " +
                 std::to_string(highest) + ", not " + text;
        }
        return "";
      },
      "");
}

}  // namespace vestrel::cli
