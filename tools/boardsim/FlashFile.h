#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace boardsim {

// The board's flash kept in a plain file between runs: the file holds exactly the stored image.
// Saving goes through a temporary file and a rename, so a crash never leaves half an image.
class FlashFile {
public:
    struct Loaded {
        std::vector<uint8_t> bytes;
        bool found = false;
        std::string error; // empty when all went well; a missing file is no error
    };

    explicit FlashFile(std::string path) : m_path(std::move(path)) {}

    const std::string& path() const { return m_path; }

    // Reads at most capacity bytes; a longer file is reported and cut.
    Loaded load(std::size_t capacity) const;
    // Returns an error text, empty on success.
    std::string save(const std::vector<uint8_t>& bytes) const;

private:
    std::string m_path;
};

} // namespace boardsim
