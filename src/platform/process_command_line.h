// The process's command line as Windows hands it out, rebuilt from argv.
//
// Implemented:
//  [X] the line GetCommandLineA returns: the program's name first, then the
//      arguments, separated by blanks; an argument that is empty or holds
//      a blank or a tab is put in double quotes; text in code page 932
//  [X] the text that start-up gives WinMain: the line without the
//      program's name
// Left out: escaping of double quotes and backslashes inside arguments
// (the program's own parser gives quotes no meaning).
#pragma once

#include <string>

// Records argv for GetCommandLineA. Each argument is read as UTF-8 and
// converted to code page 932; what the code page cannot hold becomes "?",
// as the ANSI command line of Windows shows it.
void set_process_arguments(int argc, const char *const *argv);

// The command line as it was built, without copying.
const char *process_command_line();

// Start-up's rule for the text that WinMain gets: with a leading double
// quote, everything up to and including the next double quote is taken off
// (the whole line without one), stepping over both bytes of each double-byte
// character; otherwise every byte up to the first byte of 0x20 or less.
// Then the bytes 0x01-0x20 that follow. Returns a pointer into line.
const char *command_line_after_program_name(const char *line);
