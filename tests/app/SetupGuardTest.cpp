// The worker's guard, in a build that has exceptions: an exception of the framework's
// class that escapes the sequence ends it with -1, its message traced and the window told
// to end; any other exception passes through.
#include "app/SetupThread.h"
#include "fw/Exception.h"
#include "sys/TraceTexts.h"
#include "tests/support/TraceRecorder.h"
#include "ui/ProgressView.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace
{
class CViewFailed : public CException
{
public:
    BOOL GetErrorMessage(char* buffer, UINT size) const override
    {
        strncpy(buffer, "the view failed", size - 1);
        return TRUE;
    }
};

// A window whose first operation throws what it was given.
template <typename Thrown> class CThrowingView : public ProgressView
{
public:
    explicit CThrowingView(Thrown thrown) : m_thrown(thrown) {}

    BOOL SetStatusText(const char*) override { throw m_thrown; }
    void SetCaption(std::string) override {}
    void ShowProgress(bool) override {}
    LRESULT RequestEjectOnExit() override { return 0; }
    void EndSetup() override { ++m_nEnds; }

    Thrown m_thrown;
    int m_nEnds = 0;
};
} // namespace

TEST(SetupGuard, AFrameworkExceptionEndsTheRunWithItsMessage)
{
    CThrowingView<CViewFailed> view((CViewFailed()));
    CSetupThread thread;
    thread.SetView(&view);
    CTraceRecorder traces;
    EXPECT_EQ(-1, thread.Run());
    EXPECT_EQ(1, view.m_nEnds);
    EXPECT_EQ(std::vector<std::string>({kTraceException, "the view failed"}), traces.Texts());
}

TEST(SetupGuard, OtherExceptionsPassThrough)
{
    CThrowingView<int> view(7);
    CSetupThread thread;
    thread.SetView(&view);
    CTraceRecorder traces;
    EXPECT_THROW(thread.Run(), int);
    EXPECT_EQ(0, view.m_nEnds);
    EXPECT_TRUE(traces.Texts().empty());
}
