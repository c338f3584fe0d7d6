#pragma once

#include <exception>
#include <string>

// The root of every error the program raises: an exception that carries a message.
// ClassName names the concrete class, as the application's last-chance error box shows it.
class Exception : public std::exception {
public:
    explicit Exception(std::string message) : message_(std::move(message)) {}

    const std::string& Message() const noexcept { return message_; }
    void SetMessage(std::string message) { message_ = std::move(message); }
    const char* what() const noexcept override { return message_.c_str(); }
    virtual const char* ClassName() const noexcept { return "Exception"; }

private:
    std::string message_;
};

// Declares an error class deriving from Base whose ClassName is its own name.
#define TARNOLIX_DECLARE_ERROR(Name, Base)                                                                   \
    class Name : public Base {                                                                               \
    public:                                                                                                  \
        using Base::Base;                                                                                    \
        const char* ClassName() const noexcept override { return #Name; }                                    \
    }
