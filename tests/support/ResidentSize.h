#pragma once

#include <cstddef>

// This process's resident size in bytes, read once malloc has handed freed memory back to the
// system, so that what remains is what is really held.
size_t ResidentBytes();
