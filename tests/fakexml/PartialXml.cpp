// A stand-in for libxml2 that lacks xmlDocDumpMemory, so that the network configuration can
// be tested against a library missing one of the functions it needs. Every function it has
// counts its calls: none may be made when a needed one is missing.

#if defined(_WIN32)
#define FAKEXML_VISIBLE __declspec(dllexport)
#else
#define FAKEXML_VISIBLE __attribute__((visibility("default")))
#endif
#define FAKEXML_EXPORT extern "C" FAKEXML_VISIBLE

namespace {
int calls = 0;
void freeMemory(void*)
{
    ++calls;
}
} // namespace

FAKEXML_EXPORT void* xmlNewDoc(const unsigned char*)
{
    ++calls;
    return nullptr;
}

FAKEXML_EXPORT void* xmlNewDocNode(void*, void*, const unsigned char*, const unsigned char*)
{
    ++calls;
    return nullptr;
}

FAKEXML_EXPORT void* xmlDocSetRootElement(void*, void*)
{
    ++calls;
    return nullptr;
}

FAKEXML_EXPORT void* xmlNewTextChild(void*, void*, const unsigned char*, const unsigned char*)
{
    ++calls;
    return nullptr;
}

FAKEXML_EXPORT void xmlFreeDoc(void*)
{
    ++calls;
}

// As in libxml2, the deallocator is a variable.
extern "C" {
FAKEXML_VISIBLE void (*xmlFree)(void*) = freeMemory;
}

FAKEXML_EXPORT int FakeXml_CallCount()
{
    return calls;
}
