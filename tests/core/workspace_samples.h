#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "kovadex_store.h"

// One workspace and the exact bytes of its file, the same on every platform: a file saved on
// one loads on the other. Lines end in LF alone; texts hold line ends, DEL and bytes above 127
// (written as escapes), so that a file written in text mode or read with another code page
// would differ. No text holds a NUL: the store's calls take zero-terminated texts.
namespace kovadex_test {

inline kovadex::Workspace SampleWorkspace() {
    return {{{"tolvane", "Top"}, 185},
            {{"tolvane", "Left"}, -63},
            {{"tolvane", "Host"}, std::string("encoder.lan")},
            {{"tolvane", "Port"}, std::string("23")},
            {{"tolvane", "Mask12"}, std::string("1010????0000----")},
            {{"tolvane", "Lines"}, std::string("one\ntwo\r\nthree\r")},
            {{"tolvane", "Bytes"}, std::string("\xe9t\xe9 \x7f\x01\t")},
            {{"tolvane", "Quoted"}, std::string("a,b;c=d \"q\" \\")},
            {{"Extra Tool", "Empty"}, std::string()},
            {{"general", ""}, INT32_MIN}};
}

inline const std::string kSampleFileText =
    "[General]\n"
    "format=kovadex-workspace-1\n"
    "\n"
    "[Extra%2520Tool]\n"
    "Empty=@ByteArray()\n"
    "\n"
    "[%general]\n"
    "%2500=-2147483648\n"
    "\n"
    "[tolvane]\n"
    "Bytes=@ByteArray(\\xe9t\\xe9 \\x7f\\x1\\t)\n"
    "Host=@ByteArray(encoder.lan)\n"
    "Left=-63\n"
    "Lines=@ByteArray(one\\ntwo\\r\\nthree\\r)\n"
    "Mask12=@ByteArray(1010????0000----)\n"
    "Port=@ByteArray(23)\n"
    "Quoted=\"@ByteArray(a,b;c=d \\\"q\\\" \\\\)\"\n"
    "Top=185\n";

// Every byte in texts and in names, the names that INI files and QSettings treat specially,
// and a long text.
inline kovadex::Workspace HostileWorkspace() {
    kovadex::Workspace workspace;
    for (int byte = 0; byte < 256; ++byte) {
        const std::string one(1, static_cast<char>(byte));
        workspace[{"bytes", "b" + std::to_string(byte)}] = one;
        workspace[{"bytes", "c" + std::to_string(byte)}] = "x" + one + "0a";
        if (byte != 0) {
            workspace[{one, one}] = byte;
            workspace[{"names", "a" + one + "b"}] = -byte;
        }
    }
    workspace[{"", ""}] = std::string();
    workspace[{"General", "General"}] = std::string(" leading, trailing ");
    workspace[{"general", "k"}] = 1;
    workspace[{"GENERAL", "k"}] = 2;
    workspace[{"%00", "%"}] = std::string("\"quoted\" 'single' \\ \\\\ ; # = , @ @@");
    workspace[{"t", "long"}] = std::string(200000, 'm');
    workspace[{"t", "@"}] = std::string("@ByteArray(x)");
    workspace[{"t", "number"}] = INT32_MIN;
    return workspace;
}

}  // namespace kovadex_test
