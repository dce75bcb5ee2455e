// tavixsim-pty: the simulated Tavix 3000 on a pseudo-terminal. Prints the
// port's path as its first line (the slave's, or with --link PATH the link
// it keeps there), then serves until SIGINT or SIGTERM (a clean end). The
// line "unplug" on standard input, or SIGUSR1, pulls the cable: the master
// is closed, which any program that has the port open sees as a lost
// device. Without --link the server then ends; with it the link is removed
// and the line "replug" (or SIGUSR2) plugs the instrument back at the same
// path. Other lines on standard input are the simulator's settings and
// commands (as for TavixSim_Control); each is answered with "control=N" on
// standard output.
#include "pty_server.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t g_stop = 0;
volatile std::sig_atomic_t g_unplug = 0;
volatile std::sig_atomic_t g_replug = 0;

void onStop(int)
{
    g_stop = 1;
}

void onUnplug(int)
{
    g_unplug = 1;
}

void onReplug(int)
{
    g_replug = 1;
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
    std::string link;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::puts("Usage: tavixsim-pty [--link PATH]\n"
                      "Serves the simulated Tavix 3000 on a pseudo-terminal and prints its path.\n"
                      "--link PATH keeps a symbolic link at PATH to the port and prints PATH instead;\n"
                      "the cable can then be plugged back at the same path.\n"
                      "Standard input: \"unplug\" pulls the cable (so does SIGUSR1): without --link\n"
                      "the server ends, with it \"replug\" (or SIGUSR2) plugs it back; other lines\n"
                      "are simulator settings or commands (TAVIXSIM_BAUD=0, PRINT, ...). Each line\n"
                      "but a final \"unplug\" is answered with \"control=N\". SIGINT and SIGTERM end it.\n"
                      "Settings are also read from the TAVIXSIM_* environment variables (see\n"
                      "sim/README.md).");
            return 0;
        }
        if (std::strcmp(argv[i], "--link") == 0 && i + 1 < argc && argv[i + 1][0] != '\0') {
            link = argv[++i];
        } else {
            std::fprintf(stderr, "tavixsim-pty: unknown argument \"%s\" (see --help)\n", argv[i]);
            return 2;
        }
    }
    install(SIGINT, onStop);
    install(SIGTERM, onStop);
    install(SIGUSR1, onUnplug);
    install(SIGUSR2, onReplug);
    std::signal(SIGPIPE, SIG_IGN);

    tavixsim::PtyServer server;
    std::string error;
    if (!server.open(&error, link)) {
        std::fprintf(stderr, "tavixsim-pty: %s\n", error.c_str());
        return 1;
    }
    std::printf("%s\n", server.portPath().c_str());
    std::fflush(stdout);
    server.run(STDIN_FILENO, STDOUT_FILENO, g_stop, g_unplug, g_replug);
    return 0;
}
