// A File over a C stream opened in binary mode (no newline translation). Each platform opens
// the stream its own way (narrow fopen, wide _wfopen); reading and writing are the same.
#pragma once

#include "platform/fs.h"

#include <cstdio>
#include <memory>

namespace ledgerine::platform {

// Takes ownership of f; nullptr when f is null.
std::unique_ptr<File> stdioFile(std::FILE* f);

} // namespace ledgerine::platform
