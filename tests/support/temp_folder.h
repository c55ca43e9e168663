#pragma once

#include <string>
#include <vector>

namespace test_support {

// A new empty folder in the system's temporary folder, removed with everything in it when the
// object goes. Names are bytes, as the platform's file calls take them.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Path() const { return m_path; }
    // `name` in this folder, joined with the platform's separator; `name` may hold a
    // subfolder, written with '/'.
    std::string PathOf(const std::string& name) const;
    bool MakeFolder(const std::string& name) const;
    // The names of everything in the folder (or in its subfolder `under`) that is not a
    // folder, sorted: files, links, FIFOs.
    std::vector<std::string> FileNames(const std::string& under = "") const;

private:
    std::string m_path;
};

}  // namespace test_support
