#pragma once
// How the engine tells the user something: the window shows a box, the command line a line on
// standard error. Each call returns when the user has seen the message.

#include <string_view>

namespace vqd {

class Messages {
public:
    virtual ~Messages() = default;
    virtual void critical(std::string_view text) = 0;    // a refusal or an error
    virtual void information(std::string_view text) = 0; // a notice; the action goes on
};

} // namespace vqd
