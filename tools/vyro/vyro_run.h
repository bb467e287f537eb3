#pragma once
#include <string>
#include <vector>

// Runs one vyro command line (arguments after the program name, UTF-8) and returns the exit
// code: 0 done, 1 no answer from the overlay, 2 bad arguments, 3 network error.
int runVyro(const std::vector<std::string>& args);
