// Writing whole buffers to descriptors.
#pragma once

#include <QByteArray>

// Writes every byte of bytes to fd, going on after interruptions; false as soon as a write fails or
// writes nothing (a full disk), with what was written so far left in place.
bool WriteAll(int fd, const QByteArray& bytes);
