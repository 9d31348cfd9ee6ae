#pragma once

#include <cstdint>
#include <string>
#include <vector>

class TStream;

// An abstract list of text lines, each with an associated object pointer (not owned).
class TStrings {
public:
    TStrings() = default;
    TStrings(const TStrings&) = delete;
    TStrings& operator=(const TStrings&) = delete;
    virtual ~TStrings() = default;

    virtual int Count() const = 0;
    // The line at `index`; EListError "List index out of bounds" outside 0 to Count() - 1.
    virtual const std::string& Get(int index) const = 0;
    virtual void* GetObject(int index) const = 0;
    virtual int AddObject(const std::string& text, void* object) = 0;
    virtual void Clear() = 0;

    int Add(const std::string& text) { return AddObject(text, nullptr); }
    const std::string& operator[](int index) const { return Get(index); }

    // Replaces every line by the lines of `text`. CR LF, a lone CR and a lone LF each end a line;
    // a zero byte ends the text.
    void SetAllText(const char* text, std::size_t length);
    void SetAllText(const std::string& text) { SetAllText(text.data(), text.size()); }
};

// The line list that stores its lines in order.
class TStringList : public TStrings {
public:
    int Count() const override { return static_cast<int>(items_.size()); }
    const std::string& Get(int index) const override;
    void* GetObject(int index) const override;
    int AddObject(const std::string& text, void* object) override;
    void Clear() override;

    int Capacity() const { return capacity_; }

private:
    struct Item {
        std::string Text;
        void* Object; // not owned
    };
    const Item& At(int index) const;
    void Grow();

    std::vector<Item> items_;
    int capacity_ = 0;
};
