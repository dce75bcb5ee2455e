// tavixsim-pty: the simulated Tavix 3000 on a pseudo-terminal. Prints the
// slave's path as its first line, then serves until SIGINT or SIGTERM (a
// clean end), or until it is told to pull the cable: the line "unplug" on
// standard input or SIGUSR1. Either way the master is closed, which any
// program that has the port open sees as a lost device. Other lines on
// standard input are the simulator's settings and commands (as for
// TavixSim_Control); each is answered with "control=N" on standard output.
#include "pty_server.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t g_stop = 0;
volatile std::sig_atomic_t g_unplug = 0;

void onStop(int)
{
    g_stop = 1;
}

void onUnplug(int)
{
    g_unplug = 1;
}

void install(int signal, void (*handler)(int))
{
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc > 1 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::puts("Usage: tavixsim-pty\n"
                  "Serves the simulated Tavix 3000 on a pseudo-terminal and prints its path.\n"
                  "Standard input: \"unplug\" pulls the cable (so does SIGUSR1); other lines are\n"
                  "simulator settings or commands (TAVIXSIM_BAUD=0, PRINT, ...), answered with\n"
                  "\"control=N\". SIGINT and SIGTERM end it. Settings are also read from the\n"
                  "TAVIXSIM_* environment variables (see sim/README.md).");
        return 0;
    }
    install(SIGINT, onStop);
    install(SIGTERM, onStop);
    install(SIGUSR1, onUnplug);
    std::signal(SIGPIPE, SIG_IGN);

    tavixsim::PtyServer server;
    std::string error;
    if (!server.open(&error)) {
        std::fprintf(stderr, "tavixsim-pty: %s\n", error.c_str());
        return 1;
    }
    std::printf("%s\n", server.slavePath().c_str());
    std::fflush(stdout);
    server.run(STDIN_FILENO, STDOUT_FILENO, g_stop, g_unplug);
    return 0;
}
