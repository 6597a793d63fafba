#include "platform/termination_signals.h"

#include "fake_converter.h"

#include <csignal>
#include <gtest/gtest.h>

namespace calm {
namespace {

void (*disposition(int signal_number))(int)
{
    struct sigaction now = {};
    ::sigaction(signal_number, nullptr, &now);
    return now.sa_handler;
}

TEST(TerminationSignals, EachSignalIsTakenOnceOnTheUiThread)
{
    for (int s : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(s == SIGTERM ? "SIGTERM" : "SIGINT");
        int calls = 0;
        {
            TerminationSignals taker([&] { ++calls; });
            EXPECT_NE(disposition(s), SIG_DFL);
            ::raise(s);
            EXPECT_EQ(calls, 0) << "the call waits for the message loop";
            EXPECT_TRUE(test::wait_until([&] { return calls > 0; }, 2000));
            EXPECT_EQ(calls, 1);
            // A second one would end the program that did not answer the first.
            EXPECT_EQ(disposition(s), SIG_DFL);
            EXPECT_NE(disposition(s == SIGTERM ? SIGINT : SIGTERM), SIG_DFL);
        }
        EXPECT_EQ(disposition(SIGTERM), SIG_DFL);
        EXPECT_EQ(disposition(SIGINT), SIG_DFL);
    }
}

TEST(TerminationSignals, OneTakerAtATime)
{
    TerminationSignals first([] {});
    EXPECT_THROW(TerminationSignals second([] {}), std::logic_error);
}

} // namespace
} // namespace calm
