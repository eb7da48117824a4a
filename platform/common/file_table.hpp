// The numbered open files shared by every backend: line reading, the
// 4096-byte write buffer, closing everything at shutdown.
#pragma once

namespace platform {

constexpr int kFileSlotCount = 8;
constexpr int kFileWriteBufferSize = 4096;

void FilesCloseAll();

}  // namespace platform
