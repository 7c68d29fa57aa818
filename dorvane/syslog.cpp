#include "syslog.h"

#include <exception>
#include <iostream>

namespace cl {
namespace syslog {

autolog::autolog(const module& m)
    : msg_(new message(dbg, m.name, std::string())), inserts_(0), uncaught_(std::uncaught_exceptions())
{
}

autolog::autolog(const message& m) : msg_(new message(m)), inserts_(0), uncaught_(std::uncaught_exceptions()) {}

autolog::autolog(const autolog& other)
    : msg_(other.msg_), inserts_(other.inserts_), uncaught_(std::uncaught_exceptions())
{
}

namespace {

void unescape_percent(std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == '%') {
            out += '%';
            ++i;
        } else {
            out += text[i];
        }
    }
    text.swap(out);
}

} // namespace

autolog::~autolog() noexcept(false)
{
    boost::shared_ptr<message> msg;
    msg.swap(msg_);
    if (inserts_ > 0)
        unescape_percent(msg->text);
    if (msg->text.empty())
        return;
    if (std::uncaught_exceptions() > uncaught_) {
        // Another exception is unwinding: a second one would end the
        // process, so a failing output is only reported.
        try {
            logman().write(*msg);
        } catch (const std::exception& e) {
            std::cerr << "log output failed: " << e.what() << std::endl;
        } catch (...) {
            std::cerr << "log output failed" << std::endl;
        }
        return;
    }
    logman().write(*msg);
}

void autolog::append_to_msg(const std::string& s) const
{
    msg_->text += s;
}

void autolog::insert_to_msg(const std::string& s) const
{
    const int n = ++inserts_;
    const std::string key = "%" + std::to_string(n);
    std::string& text = msg_->text;
    std::size_t pos = text.find(key);
    while (pos != std::string::npos) {
        text.replace(pos, key.size(), s);
        pos = text.find(key, pos + s.size());
    }
}

void autolog::set_level(level_t l) const
{
    msg_->level = l;
}

autolog operator<<(const module& m, const level_t& l)
{
    return autolog(message(l, m.name, std::string()));
}

const autolog& operator<<(const autolog& a, const level_t& l)
{
    a.set_level(l);
    return a;
}

template DORVANE_EXPORT const autolog& operator<<(const autolog&, const unsigned short&);

autolog_ptr::autolog_ptr() : ptr_(nullptr) {}

autolog_ptr::~autolog_ptr() noexcept(false)
{
    autolog* p = ptr_;
    ptr_ = nullptr;
    delete p;
}

autolog* autolog_ptr::change(autolog* a)
{
    autolog* old = ptr_;
    ptr_ = a;
    delete old;
    return a;
}

} // namespace syslog
} // namespace cl
