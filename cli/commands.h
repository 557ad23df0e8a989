#pragma once
// Each command registers itself on the command-line parser.
#include <string>

namespace CLI {
class App;
}

namespace tarnwell::cli {

struct CliContext;

// The command's exit status lands in *exitCode when it runs.
void AddVolumesCommand(CLI::App& app, CliContext& context, int* exitCode);
void AddHealthCommand(CLI::App& app, CliContext& context, int* exitCode);
void AddDisksCommand(CLI::App& app, CliContext& context, int* exitCode);
void AddFindPartitionsCommand(CLI::App& app, CliContext& context, int* exitCode);
void AddListCommand(CLI::App& app, CliContext& context, int* exitCode);
void AddRecoverCommand(CLI::App& app, CliContext& context, int* exitCode);
void AddSearchCommand(CLI::App& app, CliContext& context, int* exitCode);
void AddRescanDamagedCommand(CLI::App& app, CliContext& context, int* exitCode);
void AddRawScanCommand(CLI::App& app, CliContext& context, int* exitCode);
void AddRawRecoverCommand(CLI::App& app, CliContext& context, int* exitCode);
void AddRawExfatCommand(CLI::App& app, CliContext& context, int* exitCode);
void AddCarveCommand(CLI::App& app, CliContext& context, int* exitCode);
void AddImageCommand(CLI::App& app, CliContext& context, int* exitCode);
// `help [COMMAND]`: the same text as `COMMAND --help`.
void AddHelpCommand(CLI::App& app, int* exitCode);
// `completion bash`, and the script it prints for a parser.
void AddCompletionCommand(CLI::App& app, int* exitCode);
std::string BashCompletionScript(const CLI::App& app);

}  // namespace tarnwell::cli
