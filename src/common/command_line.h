// The command line of the programs: they take no arguments but the usual
// requests for help and version.
#pragma once

namespace qel {

// Version of qelmend, qelbook and the sample generator.
extern const char* const SuiteVersion;

// What a program says of itself.
struct ProgramUsage {
    const char* name;     // "qelconv"
    const char* version;  // shown by --version
    const char* purpose;  // one line: what the program does
};

// Takes the command line before anything else happens. No argument: the
// program runs (-1). "-h" or "--help" shows the usage, "--version" the
// version, on standard output (0). Anything else is refused with the usage
// on standard error (2). Nothing is written to the log or any file.
int take_command_line(int argc, char** argv, const ProgramUsage& usage);

}  // namespace qel
