// The five operations by which the worker thread drives the progress window. Called from
// the worker thread; each returns once the window's thread has done what it asks, except
// EndSetup, which only posts.
#pragma once

#include <windows.h>

#include <string>

class ProgressView
{
public:
    virtual ~ProgressView() {}

    // Sets the status line and repaints the window at once; RedrawWindow's result.
    virtual BOOL SetStatusText(const char* text) = 0;
    // Sets the caption line and repaints the window at once.
    virtual void SetCaption(std::string text) = 0;
    virtual void ShowProgress(bool show) = 0;
    // Makes the end of the setup run eject the CD-ROM; returns after the window took it.
    virtual LRESULT RequestEjectOnExit() = 0;
    // Ends the window thread's message loop.
    virtual void EndSetup() = 0;
};
