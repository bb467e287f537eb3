// The WebView2 SDK includes <EventToken.h>; mingw-w64 ships it in lower case.
#pragma once
#include <eventtoken.h>
