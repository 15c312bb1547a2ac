// The application object: one setup run from start-up to the final CD action.
#pragma once

#include "fw/Application.h"

class CSetupApp : public CApplication
{
public:
    // Performs the whole setup run and returns FALSE, so that the process ends.
    BOOL InitInstance() override;
};
