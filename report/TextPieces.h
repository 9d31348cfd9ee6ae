#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

// Where a report's text goes as it is made, in pieces: a report of any size is written in little memory.
using TTextSink = std::function<void(std::string_view)>;

// The text of a report gathered into pieces of some kilobytes, each handed to the sink once it is that
// large, the rest at the end.
class TTextPieces {
public:
    explicit TTextPieces(const TTextSink& sink) : sink_(sink) {}
    ~TTextPieces() = default;
    TTextPieces(const TTextPieces&) = delete;
    TTextPieces& operator=(const TTextPieces&) = delete;

    // What to append to.
    std::string& Text() { return text_; }
    // Hands the text on when it holds a piece: after a form, say.
    void PieceDone() {
        if (text_.size() >= kPiece)
            Flush();
    }
    // Hands on what is left: at the end.
    void Flush() {
        if (!text_.empty())
            sink_(text_);
        text_.clear();
    }

private:
    static constexpr std::size_t kPiece = 64 * 1024;
    const TTextSink& sink_;
    std::string text_;
};

// The whole text a report writes through its sink.
inline std::string WholeText(const std::function<void(const TTextSink&)>& report) {
    std::string text;
    report([&text](std::string_view piece) { text.append(piece); });
    return text;
}
