// Subcommands of the talmeq tool. Each registers itself on the CLI11 app and
// runs through the library's public header only, as any host would.
#pragma once

#include <CLI/CLI.hpp>

namespace talmeq::cli {

// `talmeq demo`: runs the library on built-in synthetic data.
void addDemoCommand(CLI::App& app);

}  // namespace talmeq::cli
