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

}  // namespace

INT LzInit(INT file)
{
    static InitFn s_init = Lz32Proc<InitFn>("LZInit");
    return s_init ? s_init(file) : LZERROR_GLOBALLOC;
}

INT LzRead(INT file, char* buffer, INT count)
{
    static ReadFn s_read = Lz32Proc<ReadFn>("LZRead");
    return s_read ? s_read(file, buffer, count) : LZERROR_BADINHANDLE;
}

void LzClose(INT file)
{
    static CloseFn s_close = Lz32Proc<CloseFn>("LZClose");
    if (s_close) s_close(file);
}
