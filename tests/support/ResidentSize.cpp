#include "ResidentSize.h"

#include <malloc.h>
#include <unistd.h>

#include <cstdio>

size_t ResidentBytes()
{
    malloc_trim(0);
    long nPages = 0;
    long nResident = 0;
    if (FILE* pFile = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(pFile, "%ld %ld", &nPages, &nResident) != 2)
            nResident = 0;
        std::fclose(pFile);
    }
    return static_cast<size_t>(nResident) * static_cast<size_t>(sysconf(_SC_PAGESIZE));
}
