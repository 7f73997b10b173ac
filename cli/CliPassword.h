#pragma once
#include "CliCommandLine.h"

#include <string>

// The password options, so that a password never has to stand on a command
// line that every user's process list shows: --password TEXT, or one line
// read from standard input (--password-stdin) or from an open file descriptor
// (--password-fd N, as a pipe from the caller). At most one of them; the
// password stays empty when none is given. False with a message when more
// than one is given or the line cannot be read.
bool ReadPasswordOption(const CliCommandLine& line, std::string& password, std::string& error);

// The first line of what the descriptor holds, without its line end; false
// when nothing could be read. Reads no further than the line end.
bool ReadPasswordLine(int fd, std::string& password);
