#pragma once
// Where the `ctb` program sends the modules' diagnostic log lines (an entry
// deleted with its transaction, and the like): never to the person at the
// terminal, whose output is the command's. When the environment variable
// CTB_LOG names a file the lines are appended to it, one a line in the
// framework's format; without it they go nowhere.

namespace LogHost {

// Installs the sink for the process. Raises Exception when CTB_LOG names a
// file that cannot be opened for appending (or a name longer than a path
// may be), before the command does anything.
void Instalar();

}  // namespace LogHost
