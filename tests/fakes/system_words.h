#pragma once

#include <gtest/gtest.h>
#include <string>

namespace quillon::test {

// A failure message that ends in the system's own words for the reason. On POSIX these are the C
// library's, so a test names them; Windows words them itself, in the user's language, so there a
// test can only ask that the message names the file and gives some reason.
inline ::testing::AssertionResult
endsWithReason(const std::string& message, const std::string& prefix, const std::string& posixWords)
{
#ifdef _WIN32
    (void)posixWords;
    if (message.rfind(prefix, 0) == 0 && message.size() > prefix.size())
        return ::testing::AssertionSuccess();
#else
    if (message == prefix + posixWords)
        return ::testing::AssertionSuccess();
#endif
    return ::testing::AssertionFailure()
           << "\"" << message << "\" is not \"" << prefix << "\" and the reason";
}

} // namespace quillon::test
