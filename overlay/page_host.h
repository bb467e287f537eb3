#pragma once

// Begins the asynchronous creation of the web view inside the host window.
void startPageHost();
