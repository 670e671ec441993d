// Close requests from signals and the window.
#include "platform/close_request.h"

#include <csignal>

namespace
{

volatile sig_atomic_t close_pending;

void on_signal(int)
{
    close_pending = 1;
}

} // namespace

void request_close()
{
    close_pending = 1;
}

bool take_close_request()
{
    bool pending = close_pending != 0;
    close_pending = 0;
    return pending;
}

void install_close_signals()
{
    struct sigaction action = {};
    action.sa_handler = on_signal;
    sigemptyset(&action.sa_mask);
    // A close request must not break a read or a connect that was under way.
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    // A reader that goes away (a video encoder on standard output) shows
    // as a failed write, not as the end of the game.
    signal(SIGPIPE, SIG_IGN);
}
