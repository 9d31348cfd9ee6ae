#pragma once

#include <exception>
#include <initializer_list>
#include <string>

// The root of every error the program raises: one message text, usually from the message table.
class Exception : public std::exception {
public:
    explicit Exception(std::string message) : message_(std::move(message)) {}
    // The message of the table entry `ident`, its "%s" placeholders filled with `args`.
    Exception(int ident, std::initializer_list<std::string> args);

    const std::string& Message() const noexcept { return message_; }
    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::string message_;
};

// What an error says, for where it is shown as text: its message, whatever raised it. This is the one
// place an error becomes text.
std::string ErrorMessage(const std::exception_ptr& error);

#define QV_EXCEPTION_CLASS(Name, Base)                                                                       \
    class Name : public Base {                                                                               \
    public:                                                                                                  \
        using Base::Base;                                                                                    \
    }

// A silent error: ends the handler that raised it without any message.
QV_EXCEPTION_CLASS(EAbort, Exception);
QV_EXCEPTION_CLASS(EListError, Exception);
QV_EXCEPTION_CLASS(EStreamError, Exception);
QV_EXCEPTION_CLASS(EFCreateError, EStreamError);
QV_EXCEPTION_CLASS(EFOpenError, EStreamError);
QV_EXCEPTION_CLASS(EFilerError, EStreamError);
QV_EXCEPTION_CLASS(EReadError, EFilerError);
QV_EXCEPTION_CLASS(EWriteError, EFilerError);
QV_EXCEPTION_CLASS(EInvalidImage, EFilerError);
QV_EXCEPTION_CLASS(EOutOfResources, Exception);
QV_EXCEPTION_CLASS(EThread, Exception);
QV_EXCEPTION_CLASS(EComboEditError, Exception);
QV_EXCEPTION_CLASS(EInvalidOperation, Exception);

#undef QV_EXCEPTION_CLASS
