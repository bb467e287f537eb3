#pragma once

// The common file-open dialog for the downloaded Rookmere kit zip, modal on the
// user-interface thread; the page hears of the choice (or of a cancel).
void pickKitZip();
