// Captures what the game writes to std::cout during a test.
#pragma once

#include <iostream>
#include <sstream>
#include <string>

class CoutCapture {
public:
    CoutCapture() : old_(std::cout.rdbuf(buffer_.rdbuf())) {}
    ~CoutCapture() { std::cout.rdbuf(old_); }
    // Everything written so far; the capture starts afresh.
    std::string take()
    {
        std::string s = buffer_.str();
        buffer_.str("");
        return s;
    }

private:
    std::ostringstream buffer_;
    std::streambuf* old_;
};
