#pragma once
// A test makes one of the runtime's processes fail, and the stand-in goes on as the real
// runtime does (see COREWEBVIEW2_PROCESS_FAILED_KIND in the SDK):
//   browser-exited       the browser process ended: the web view and its controller are closed
//                        before the program hears of it (most calls then fail with
//                        HRESULT_FROM_WIN32(ERROR_INVALID_STATE)), the environment makes no
//                        more web views, and the browser process is gone. The program has to
//                        create a new environment.
//   render-exited        the page's renderer ended: the web view lives on, showing an error
//                        page that hears nothing, until Reload or Navigate loads a new document.
//   render-unresponsive  the page's renderer hangs; nothing else changes.
// Each records ("processFailed", ID, KIND, HANDLERS).
#include <string>

// Carries out the failure; nullptr when done, otherwise why nothing was done.
const char* failProcess(const std::string& id, const std::string& kind);
