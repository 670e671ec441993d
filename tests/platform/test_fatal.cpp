// The out-of-memory exit and close requests from signals.
#include "platform/close_request.h"
#include "platform/fatal.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <new>

namespace
{

void announce_audio_closed()
{
    fputs("audio closed\n", stderr);
}

void announce_window_destroyed()
{
    fputs("window destroyed\n", stderr);
}

TEST(FatalDeathTest, OutOfMemoryClosesAudioThenWindowAndExitsWithOne)
{
    EXPECT_EXIT(
        {
            set_fatal_cleanup(announce_audio_closed, announce_window_destroyed);
            out_of_memory();
        },
        ::testing::ExitedWithCode(1), "audio closed\nwindow destroyed\nError: Out of virtual memory");
}

TEST(FatalDeathTest, FailedNewTakesTheSamePath)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer's operator new does not call the new handler";
#endif
    EXPECT_EXIT(
        {
            install_out_of_memory_handler();
            size_t huge = (size_t)1 << 60;
            volatile char *p = new char[huge];
            p[0] = 1;
        },
        ::testing::ExitedWithCode(1), "Error: Out of virtual memory");
}

TEST(CloseRequest, SignalsRaiseTheRequestInsteadOfKilling)
{
    install_close_signals();
    take_close_request();
    for (int sig : {SIGINT, SIGTERM}) {
        raise(sig);
        EXPECT_TRUE(take_close_request()) << sig;
        EXPECT_FALSE(take_close_request()) << sig;
    }
    signal(SIGINT, SIG_DFL);
    signal(SIGTERM, SIG_DFL);
}

} // namespace
