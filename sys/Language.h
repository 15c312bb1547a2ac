// Which language the status texts and the title use.
#pragma once

// True when the system default language (not the user's) is Chinese, any sublanguage.
bool IsChineseSystem();
