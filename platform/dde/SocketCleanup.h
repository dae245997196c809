#pragma once
// The socket files a process listens at are its own to remove, however it ends. An ordinary end
// unregisters them; an end by SIGTERM, SIGINT or SIGHUP removes them in the signal's handler
// before the signal takes its default course; a file left by a process that ended without any
// chance to clean up (SIGKILL, a crash) refuses connections and is removed by the next start.

#include <string>

// Notes a socket file of this process, for the signal handlers to remove (installed at the first
// call). At most kMaxCleanupPaths files are kept; false when the path is too long or no slot is
// free (the file then goes only with an ordinary end).
inline constexpr int kMaxCleanupPaths = 8;
bool AddSocketForCleanup(const std::string& path);
// Forgets the file: it has been removed in the ordinary way.
void RemoveSocketFromCleanup(const std::string& path);
// Removes every socket file in the folder that refuses connection: no process listens there.
// Answers how many were removed.
int RemoveDeadSockets(const std::string& directory);
