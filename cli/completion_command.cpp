// `completion bash`: a bash completion script made from the parser's own
// definitions of commands and options, so that it cannot fall behind them.
// (The argument library has no generator of its own.)
#include <CLI/CLI.hpp>

#include <cstdio>
#include <memory>
#include <string>

#include "cli/cli_context.h"
#include "cli/commands.h"

namespace tarnwell::cli {
namespace {

// The option words of one parser level: "--json --deleted -h --help".
std::string OptionWords(const CLI::App& app) {
  std::string words;
  for (const CLI::Option* option : app.get_options()) {
    if (option->get_positional()) continue;
    for (const std::string& name : option->get_snames()) words += " -" + name;
    for (const std::string& name : option->get_lnames()) words += " --" + name;
  }
  return words;
}

}  // namespace

std::string BashCompletionScript(const CLI::App& app) {
  std::string commands;  // " volumes list ..."
  std::string pattern;   // "|volumes|list..."
  std::string cases;
  for (const CLI::App* sub : app.get_subcommands({})) {
    commands += " " + sub->get_name();
    pattern += "|" + sub->get_name();
    cases += "    " + sub->get_name() + ") words=\"" + OptionWords(*sub).substr(1) + "\" ;;\n";
  }
  const std::string name = app.get_name().empty() ? "tarnwell-cli" : app.get_name();
  std::string script = "# bash completion for " + name + "; made by `" + name + " completion bash`\n";
  script += "_tarnwell_cli() {\n"
            "  local cur=${COMP_WORDS[COMP_CWORD]} command=\"\" words i\n"
            "  for ((i = 1; i < COMP_CWORD; i++)); do\n"
            "    case ${COMP_WORDS[i]} in\n"
            "      " + pattern.substr(1) + ") command=${COMP_WORDS[i]}; break ;;\n"
            "    esac\n"
            "  done\n"
            "  case $command in\n" +
            cases +
            "    *) words=\"" + commands.substr(1) + OptionWords(app) + "\" ;;\n"
            "  esac\n"
            "  if [[ $command == help ]]; then words=\"" + commands.substr(1) + "\"; fi\n"
            "  # Option and command names first; image paths and folders otherwise.\n"
            "  if [[ $cur == -* || ( -z $command && ${COMP_WORDS[COMP_CWORD-1]} != --image ) ||\n"
            "        $command == help ]]; then\n"
            "    COMPREPLY=($(compgen -W \"$words\" -- \"$cur\"))\n"
            "  else\n"
            "    COMPREPLY=($(compgen -f -- \"$cur\"))\n"
            "  fi\n"
            "}\n"
            "complete -o filenames -F _tarnwell_cli " + name + "\n";
  return script;
}

void AddCompletionCommand(CLI::App& app, int* exitCode) {
  auto* command = app.add_subcommand("completion", "Print a shell completion script (bash)");
  // The callback holds the parsed value's storage: parsing writes into it after this function returns.
  auto shell = std::make_shared<std::string>();
  command->add_option("SHELL", *shell, "The shell: bash")->required()->check(CLI::IsMember({"bash"}));
  command->callback([&app, exitCode, shell] {
    std::fputs(BashCompletionScript(app).c_str(), stdout);
    *exitCode = kExitOk;
  });
}

}  // namespace tarnwell::cli
