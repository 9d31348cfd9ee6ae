#pragma once

#include "runtime/Object.h"

#include <windows.h>

#include <string>

// The system clipboard. One per process: Clipboard() makes it on first use.
class TClipboard : public TObject {
public:
    // Puts `text` (up to its first zero byte) on the clipboard as its only content, in CF_TEXT.
    // Raises "Cannot open clipboard" when another program keeps it open.
    void SetAsText(const std::string& text);
    // The CF_TEXT content, or an empty string when the clipboard holds no text.
    std::string AsText();
    bool HasFormat(UINT format) const;
    void Clear(); // empties the clipboard

private:
    class Session;
};

TClipboard* Clipboard();
