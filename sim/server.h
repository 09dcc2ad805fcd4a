#pragma once
// The nvmsim server: one simulated modem behind a pseudo-terminal or a
// loopback TCP port, one client at a time, until SIGINT or SIGTERM.

#include <string>

#include "sim/modem.h"

namespace nvmsim {

struct ServerOptions {
    // Answers go out in pieces of this many bytes (0 = whole), each after
    // chunkDelayMs, so that clients see them split anywhere.
    int chunkBytes = 0;
    int chunkDelayMs = 0;
    // At the k-th command line (1-based; 0 = never) the server hangs up:
    // it closes the TCP connection, or the pseudo-terminal, and exits.
    int hangupAfter = 0;
    // Every command line received is appended to this file (empty = none), so
    // a test can see exactly what a client sent.
    std::string journal;
};

// Prints the slave's path on stdout, then serves. Returns the exit code.
int ServePty(Modem& modem, const ServerOptions& options);

// `address` is "HOST:PORT"; PORT 0 picks a free port. Prints the port on
// stdout, then serves. Returns the exit code.
int ServeTcp(Modem& modem, const std::string& address, const ServerOptions& options);

}  // namespace nvmsim
