#include "credits/Credits.h"

#include "credits/SecretPanel.h"

const std::vector<std::string>& CreditLines() {
    // Every line as it is shown, trailing blanks included.
    static const std::vector<std::string> lines = {
        "",
        "",
        "",
        "",
        "",
        "",
        "",
        "",
        "",
        "",
        "",
        "Quorvel v. 1.01",
        "",
        "This utility scans a C++ RAD project",
        "file (.mak), selected on the upper ",
        "FileEdit box, and displays all of its ",
        "elements with HelpContext properties",
        "set to other values than 0 in the ",
        "ListView below.",
        "Forms that contain items with ",
        "HelpContext set, but which have not ",
        "such property set themselves will ",
        "be displayed with an empty form ",
        "icon, and no HelpContext will be ",
        "displayed. Double clicking on an ",
        "item copies its HelpContext to the ",
        "clipboard.",
        "",
        "This utility makes extensive use of a",
        "free component suite, and for this ",
        "reason I'm deeply indebted (as all the ",
        "visual programming community",
        " is) to its authors.",
        "",
        "The Quorvel authors, 2026",
        "e-mail authors@quorvel.invalid",
    };
    return lines;
}

void SetupCreditsPanel(TSecretPanel& panel) {
    TFont font;
    font.SetName("MS Sans Serif");
    font.SetHeight(-13);
    font.SetStyle(fsBold);
    font.SetColor(clBlack);
    font.SetCharset(ANSI_CHARSET);
    panel.SetFont(font);
    panel.SetParentFont(false);
    panel.SetTextStyle(bvRaised);
    TNotifyingStringList& lines = panel.Lines();
    lines.BeginUpdate();
    lines.Clear();
    for (const std::string& line : CreditLines())
        lines.Add(line);
    lines.EndUpdate();
}
