#pragma once
#include <string>

// The keys the overlay answers itself while its page has the keyboard: the runtime reports
// them as accelerator keys before the page sees them, and the game no longer gets them.

constexpr unsigned kEscapeKey = 0x1B;        // VK_ESCAPE
constexpr unsigned kDefaultToggleKey = 0x78; // VK_F9, the kit's toggle key

// A key as the kit's files name it: F1 to F24, a letter or a digit, in any letter case;
// 0 for anything else.
unsigned virtualKeyFromName(const std::wstring& name);

// The value of `name` in `[section]` of an INI text, trimmed; names compare ignoring ASCII
// case; empty when absent.
std::wstring iniValue(const std::wstring& text, const std::wstring& section,
                      const std::wstring& name);

// The overlay's toggle key: the page's own setting ("toggleKey" in vyr_overlay.json) when it
// names a key, else the game side's ("toggle" under [keys] in vyr_overlay.ini), else F9.
unsigned toggleKeyFrom(const std::wstring& pageSettings, const std::wstring& gameKeys);

// The game side's key file beside the page's files: package\config\vyr_overlay.ini.
std::wstring gameKeysPath(const std::wstring& docDir);

// Whether an accelerator key event closes the overlay: the first press (no repeat, no Alt:
// kind 0, COREWEBVIEW2_KEY_EVENT_KIND_KEY_DOWN) of Esc or of the toggle key.
bool closesOverlay(int kind, unsigned virtualKey, bool repeat, unsigned toggleKey);
