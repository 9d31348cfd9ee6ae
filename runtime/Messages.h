#pragma once

#include <string>

// Numbers of the program's messages (the string table, 61440 and up).
enum MessageId : int {
#define QV_MESSAGE(number, ident, text) ident = number,
#include "Messages.def"
#undef QV_MESSAGE
};

// The text of a message by number; an unknown number gives an empty string.
const std::string& LoadResString(int ident);

// Every message of the table, in table order, for checks against the platform's string table.
struct MessageEntry {
    int Ident;
    const char* Text;
};
const MessageEntry* MessageTableBegin();
const MessageEntry* MessageTableEnd();
