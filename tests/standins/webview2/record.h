#pragma once
// The stand-in's record: one JSON line per call the program makes ("call") and per thing
// the stand-in itself reports ("note"), appended in order to the file named by
// VYR_WV2_RECORD so that a test can read it as it grows.
#include <windows.h>

#include <initializer_list>
#include <string>

// JSON fragments for the arguments of a record line.
std::string jsonText(const wchar_t* text); // null gives null
std::string jsonText(const std::wstring& text);
std::string jsonUtf8(const std::string& utf8);
std::string jsonBool(BOOL value);
std::string jsonInt(long long value);
std::string jsonReal(double value);
std::string jsonHresult(HRESULT value); // "0x%08lx"

std::string toUtf8(const std::wstring& text);
std::wstring fromUtf8(const std::string& text);

void recordCall(const char* call, std::initializer_list<std::string> args = {});
void recordNote(const char* note, std::initializer_list<std::string> args = {});

// While one lives, calls are not recorded: for what the runtime does to its own objects (a
// web view closed because its browser exited), which the program never asked for.
class UnrecordedCalls {
  public:
    UnrecordedCalls();
    ~UnrecordedCalls();
    UnrecordedCalls(const UnrecordedCalls&) = delete;
    UnrecordedCalls& operator=(const UnrecordedCalls&) = delete;
};
