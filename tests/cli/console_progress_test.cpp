#include "app/console_progress.h"

#include <csignal>
#include <cstdio>
#include <gtest/gtest.h>

using namespace tarvix;

TEST(ConsoleProgress, CtrlCAsksToCancelOnceThenTheUsualHandlerIsBack)
{
    struct sigaction ignore { };
    ignore.sa_handler = SIG_IGN;
    struct sigaction before { };
    ::sigaction(SIGINT, &ignore, &before);
    FILE* output = std::tmpfile();
    ASSERT_NE(output, nullptr);
    bool destroyed = false;
    {
        ConsoleProgress progress(output, [&] { destroyed = true; });
        progress.SetLabelText("Transformation is in progress...");
        progress.SetProgressBounds(0, 3);
        progress.SetProgressBy(1);
        EXPECT_FALSE(progress.WantCancel());
        std::raise(SIGINT);
        EXPECT_TRUE(progress.WantCancel());
        // A second Ctrl+C is not caught again: it ends the process.
        struct sigaction now { };
        ::sigaction(SIGINT, nullptr, &now);
        EXPECT_EQ(now.sa_handler, SIG_DFL);
    }
    EXPECT_TRUE(destroyed);
    struct sigaction after { };
    ::sigaction(SIGINT, nullptr, &after);
    EXPECT_EQ(after.sa_handler, SIG_IGN);
    EXPECT_EQ(std::ftell(output), 0); // no bar where the output is no terminal
    std::fclose(output);
    ::sigaction(SIGINT, &before, nullptr);
}
