// Lz32.cpp - the expansion calls of lz32, loaded at run time.
#include "Lz32.h"

#include <lzexpand.h>

#include "SystemDll.h"

namespace {

typedef INT(WINAPI* InitFn)(INT);
typedef INT(WINAPI* ReadFn)(INT, LPSTR, INT);
typedef void(WINAPI* CloseFn)(INT);

template <class Fn>
Fn Lz32Proc(const char* name)
{
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(SystemDllProc("LZ32.DLL", name)));
}

struct Lz32Procs {
    InitFn init = Lz32Proc<InitFn>("LZInit");
    ReadFn read = Lz32Proc<ReadFn>("LZRead");
    CloseFn close = Lz32Proc<CloseFn>("LZClose");
};

const Lz32Procs& Procs()
{
    static const Lz32Procs s_procs;
    return s_procs;
}

}  // namespace

bool LzLoad()
{
    return Procs().init && Procs().read && Procs().close;
}

INT LzInit(INT file)
{
    return Procs().init ? Procs().init(file) : LZERROR_GLOBALLOC;
}

INT LzRead(INT file, char* buffer, INT count)
{
    return Procs().read ? Procs().read(file, buffer, count) : LZERROR_BADINHANDLE;
}

void LzClose(INT file)
{
    if (Procs().close) Procs().close(file);
}
