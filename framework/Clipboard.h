#pragma once

#include "runtime/Object.h"

#include <windows.h>

#include <string>

// The system clipboard. One per process: Clipboard() makes it on first use.
class TClipboard : public TObject {
public:
    // Puts `text` (UTF-8, up to its first zero byte) on the clipboard as its only content, in
    // CF_UNICODETEXT.
    // Raises "Cannot open clipboard" when another program keeps it open.
    void SetAsText(const std::string& text);
    // The text content as UTF-8, or an empty string when the clipboard holds no text.
    std::string AsText();
    bool HasFormat(UINT format) const;
    void Clear(); // empties the clipboard

private:
    class Session;
};

TClipboard* Clipboard();
