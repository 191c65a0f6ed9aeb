#include "command.h"
#include "commands.h"

namespace zvr::cli {

namespace {

constexpr Command kCommands[] = {
    {"compile", "compile a strategy source into a cal file",
     "usage: zvr-cli compile SOURCE.json -o FILE.000\n"
     "\n"
     "Compiles a strategy source, with the base sources it names, into a cal file.\n"
     "The file is replaced only when the whole source compiled.\n",
     RunCompile},
    {"decompile", "write a cal file as a strategy source",
     "usage: zvr-cli decompile FILE.000 [-o SOURCE.json]\n"
     "\n"
     "Writes every definition of a cal file as a standalone strategy source (to standard\n"
     "output without -o). Compiling that source gives the same file again.\n",
     RunDecompile},
    {"check", "check strategies for what ZVR relies on",
     "usage: zvr-cli check FILE...\n"
     "\n"
     "Checks cal files or strategy sources (*.json): names used twice, scalars sharing\n"
     "EEPROM bytes, unknown scaling types and sizes, view items without a variable, fault\n"
     "history scalars against diagnostics, and everything the model's calibration wizard\n"
     "needs. Prints one line per problem, or a summary when there is none.\n"
     "Exit 0 when every file passes, 1 when one has problems, 2 when one cannot be read.\n",
     RunCheck},
    {"report", "write the definition text report of a cal file",
     "usage: zvr-cli report FILE [--full] [-o OUT.txt]\n"
     "\n"
     "Writes the text report \"Convert Cal File to Text\" makes without comments: the\n"
     "comments and every scalar's value, or with --full every section of the file.\n"
     "Lines end in CR LF. To standard output without -o.\n",
     RunReport},
};

}  // namespace

std::span<const Command> Commands() { return kCommands; }

}  // namespace zvr::cli
