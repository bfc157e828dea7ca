#include "runner/ScriptReader.h"

#include <cerrno>
#include <cstring>
#include <istream>
#include <string_view>

namespace lilyhops::script {

ScriptReader::Status ScriptReader::next(std::string& line) {
    line.clear();
    std::streambuf* buffer = in_.rdbuf();
    if (!buffer) {
        error_ = "no input";
        return Status::Unreadable;
    }
    using Traits = std::char_traits<char>;
    try {
        errno = 0;
        for (;;) {
            Traits::int_type c = buffer->sbumpc();
            if (Traits::eq_int_type(c, Traits::eof())) {
                // Standard input synchronised with C stdio reports a read
                // error only through errno.
                if (errno != 0 && errno != EAGAIN) {
                    error_ = std::strerror(errno);
                    return Status::Unreadable;
                }
                if (line.empty())
                    return Status::End;
                break;
            }
            if (c == '\n')
                break;
            if (line.size() == kMaxLineBytes)
                return Status::TooLong;
            line.push_back(Traits::to_char_type(c));
        }
    } catch (const std::ios_base::failure& e) {
        error_ = e.code().message();
        return Status::Unreadable;
    } catch (const std::exception& e) {
        error_ = e.what();
        return Status::Unreadable;
    }
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (atStart_ && line.starts_with(kByteOrderMark))
        line.erase(0, kByteOrderMark.size());
    atStart_ = false;
    return Status::Line;
}

} // namespace lilyhops::script
