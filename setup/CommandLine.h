// CommandLine.h - reading the command line into the setup's mode.
#pragma once

struct SetupMode {
    bool update = false;     // /UPDATE
    bool uninstall = false;  // /UNINSTALL
};

// Reads the switches from the command line without the program name.
// Unknown words and switches are ignored; nothing is an error.
SetupMode ParseCommandLine(const char* cmd);

// The command line after the program name (quoted or not) and the blanks
// behind it; tabs are kept, so a tab starts an ignored word.
const char* CommandTail(const char* fullCommandLine);
