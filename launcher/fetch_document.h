#pragma once
#include <string>

#include "server_replies.h"

// One plain HTTP GET on port 80 with its own session; status 0 when nothing answered.
FetchedDocument fetchDocument(const std::wstring& host, const std::wstring& path);
