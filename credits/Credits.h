#pragma once

#include <string>
#include <vector>

class TSecretPanel;

// The program's credits: the text lines of the main window's credits panel, eleven empty lines first so
// that the text starts near the bottom of the panel.
const std::vector<std::string>& CreditLines();

// Gives the main window's credits panel its text, its font (bold "MS Sans Serif", 13 pixels, black,
// ANSI character set, not taken from the parent) and its raised text style.
void SetupCreditsPanel(TSecretPanel& panel);
