#pragma once

// Notes the keyboard layout the game is played with and asks for it back after alt-tab.
void layoutKeeperTick();
