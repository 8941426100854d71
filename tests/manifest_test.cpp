// The manifest of the program that ships, beside this test program: what Windows makes
// of it (the activation context's DPI awareness), and its bytes as Windows' XML parser
// reads them.
#include <gtest/gtest.h>

#include <windows.h>
#include <msxml2.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

// The program that ships, beside this test program.
std::wstring ProgramBesideThisOne() {
    wchar_t path[MAX_PATH] = L"";
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring program = path;
    return program.substr(0, program.rfind(L'\\') + 1) + L"QuarvelPanel.exe";
}

// Windows gives a program the activation context of its manifest resource 1
// (CREATEPROCESS_MANIFEST_RESOURCE_ID); its dpiAware setting is what Windows 8.1 and
// 10 before 1607 read for the program's DPI awareness.
TEST(ProgramManifest, TheProgramsActivationContextIsPerMonitorDpiAware) {
    std::wstring program = ProgramBesideThisOne();
    ACTCTXW request{};
    request.cbSize = sizeof request;
    request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    request.lpSource = program.c_str();
    request.lpResourceName = MAKEINTRESOURCEW(1);
    HANDLE context = CreateActCtxW(&request);
    ASSERT_NE(context, INVALID_HANDLE_VALUE)
        << "no manifest as resource 1 of the program, error " << GetLastError();
    wchar_t value[64] = L"";
    SIZE_T written = 0;
    BOOL answered = QueryActCtxSettingsW(0, context, nullptr, L"dpiAware", value, std::size(value), &written);
    ReleaseActCtx(context);
    ASSERT_TRUE(answered) << "error " << GetLastError();
    EXPECT_EQ(std::wstring(value), L"true/pm");
}

template <typename Interface> struct ComRelease {
    void operator()(Interface* object) const { object->Release(); }
};
template <typename Interface> using ComPointer = std::unique_ptr<Interface, ComRelease<Interface>>;
struct BstrFree {
    void operator()(BSTR text) const { SysFreeString(text); }
};
using OwnedBstr = std::unique_ptr<OLECHAR, BstrFree>;
std::wstring TakeBstr(BSTR text) {
    OwnedBstr owned(text);
    return text ? std::wstring(text) : std::wstring();
}

// Every element of a document, by its path of {namespace}name steps from the root:
// its attributes and its text.
struct Element {
    std::map<std::wstring, std::wstring> attributes;
    std::wstring text;
};
void CollectElements(IXMLDOMNode* node, const std::wstring& parent,
                     std::multimap<std::wstring, Element>& into) {
    DOMNodeType type{};
    node->get_nodeType(&type);
    if (type != NODE_ELEMENT) return;
    BSTR text = nullptr;
    node->get_namespaceURI(&text);
    std::wstring path = parent + L"/{" + TakeBstr(text) + L"}";
    node->get_baseName(&text);
    path += TakeBstr(text);
    Element element;
    node->get_text(&text);
    element.text = TakeBstr(text);
    IXMLDOMNamedNodeMap* attributes = nullptr;
    if (SUCCEEDED(node->get_attributes(&attributes)) && attributes) {
        ComPointer<IXMLDOMNamedNodeMap> held(attributes);
        long count = 0;
        attributes->get_length(&count);
        for (long i = 0; i < count; ++i) {
            IXMLDOMNode* attribute = nullptr;
            if (FAILED(attributes->get_item(i, &attribute)) || !attribute) continue;
            ComPointer<IXMLDOMNode> heldAttribute(attribute);
            attribute->get_nodeName(&text);
            std::wstring name = TakeBstr(text);
            attribute->get_text(&text);
            element.attributes[name] = TakeBstr(text);
        }
    }
    into.emplace(path, element);
    IXMLDOMNodeList* children = nullptr;
    if (FAILED(node->get_childNodes(&children)) || !children) return;
    ComPointer<IXMLDOMNodeList> heldChildren(children);
    long count = 0;
    children->get_length(&count);
    for (long i = 0; i < count; ++i) {
        IXMLDOMNode* child = nullptr;
        if (FAILED(children->get_item(i, &child)) || !child) continue;
        ComPointer<IXMLDOMNode> heldChild(child);
        CollectElements(child, path, into);
    }
}

// The program's manifest resource is well-formed XML, as Windows' XML parser reads its
// bytes, and holds what the README says: the assembly's identity, the trust section in
// its asm.v2 form, the supported Windows versions and the DPI awareness.
TEST(ProgramManifest, IsWellFormedXmlWithIdentityTrustSupportedVersionsAndDpiAwareness) {
    std::wstring program = ProgramBesideThisOne();
    HMODULE image = LoadLibraryExW(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(image, nullptr);
    HRSRC found = FindResourceW(image, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24) /* RT_MANIFEST */);
    ASSERT_NE(found, nullptr) << "the manifest is resource 1";
    auto* bytes = static_cast<const std::uint8_t*>(LockResource(LoadResource(image, found)));
    std::vector<std::uint8_t> manifest(bytes, bytes + SizeofResource(image, found));
    FreeLibrary(image);

    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    std::multimap<std::wstring, Element> elements;
    std::string notWellFormed;
    {
        // DOMDocument30 and IXMLDOMDocument, which no import library here defines.
        constexpr CLSID kDomDocument30{
            0xF5078F32, 0xC551, 0x11D3, {0x89, 0xB9, 0x00, 0x00, 0xF8, 0x1F, 0xE2, 0x21}};
        constexpr IID kXmlDomDocument{
            0x2933BF81, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
        IXMLDOMDocument* created = nullptr;
        ASSERT_TRUE(SUCCEEDED(CoCreateInstance(kDomDocument30, nullptr, CLSCTX_INPROC_SERVER, kXmlDomDocument,
                                               reinterpret_cast<void**>(&created))));
        ComPointer<IXMLDOMDocument> document(created);
        document->put_async(VARIANT_FALSE);
        SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(manifest.size()));
        void* data = nullptr;
        SafeArrayAccessData(array, &data);
        std::copy(manifest.begin(), manifest.end(), static_cast<std::uint8_t*>(data));
        SafeArrayUnaccessData(array);
        VARIANT source;
        VariantInit(&source);
        source.vt = VT_ARRAY | VT_UI1;
        source.parray = array;
        VARIANT_BOOL loaded = VARIANT_FALSE;
        document->load(source, &loaded);
        VariantClear(&source);
        if (loaded != VARIANT_TRUE) {
            IXMLDOMParseError* error = nullptr;
            BSTR reason = nullptr;
            long line = 0;
            if (SUCCEEDED(document->get_parseError(&error)) && error) {
                error->get_reason(&reason);
                error->get_line(&line);
                error->Release();
            }
            std::wstring why = TakeBstr(reason);
            notWellFormed = "line " + std::to_string(line) + ": " + std::string(why.begin(), why.end());
        }
        IXMLDOMElement* root = nullptr;
        if (SUCCEEDED(document->get_documentElement(&root)) && root) {
            ComPointer<IXMLDOMElement> heldRoot(root);
            CollectElements(root, L"", elements);
        }
    }
    CoUninitialize();
    ASSERT_EQ(notWellFormed, "") << "the manifest is not well-formed XML";

    const std::wstring v1 = L"{urn:schemas-microsoft-com:asm.v1}", v2 = L"{urn:schemas-microsoft-com:asm.v2}",
                       v3 = L"{urn:schemas-microsoft-com:asm.v3}",
                       compatibility = L"{urn:schemas-microsoft-com:compatibility.v1}",
                       settings2005 = L"{http://schemas.microsoft.com/SMI/2005/WindowsSettings}",
                       settings2016 = L"{http://schemas.microsoft.com/SMI/2016/WindowsSettings}";
    auto one = [&elements](const std::wstring& path) -> const Element* {
        auto [first, last] = elements.equal_range(path);
        EXPECT_EQ(std::distance(first, last), 1) << "one element " << std::string(path.begin(), path.end());
        return first == last ? nullptr : &first->second;
    };
    auto attribute = [](const Element* element, const wchar_t* name) {
        if (!element) return std::string("(no element)");
        auto found = element->attributes.find(name);
        return found == element->attributes.end() ? std::string("(none)")
                                                  : std::string(found->second.begin(), found->second.end());
    };
    auto text = [](const Element* element) {
        return element ? std::string(element->text.begin(), element->text.end())
                       : std::string("(no element)");
    };
    const std::wstring assembly = L"/" + v1 + L"assembly";
    EXPECT_EQ(attribute(one(assembly), L"manifestVersion"), "1.0");

    const Element* identity = one(assembly + L"/" + v1 + L"assemblyIdentity");
    EXPECT_EQ(attribute(identity, L"type"), "win32");
    EXPECT_EQ(attribute(identity, L"name"), "Quarvel.ServerPanel");
    EXPECT_EQ(attribute(identity, L"version"), "1.0.1.0");
    EXPECT_EQ(attribute(identity, L"processorArchitecture"), "x86");

    const Element* level = one(assembly + L"/" + v2 + L"trustInfo/" + v2 + L"security/" + v2 +
                               L"requestedPrivileges/" + v2 + L"requestedExecutionLevel");
    EXPECT_EQ(attribute(level, L"level"), "asInvoker");
    EXPECT_EQ(attribute(level, L"uiAccess"), "false");

    // Windows Vista, 7, 8, 8.1, and 10 and 11.
    std::vector<std::string> supported;
    auto [first, last] =
        elements.equal_range(assembly + L"/" + compatibility + L"compatibility/" + compatibility +
                             L"application/" + compatibility + L"supportedOS");
    for (auto it = first; it != last; ++it)
        supported.push_back(attribute(&it->second, L"Id"));
    EXPECT_EQ(supported, (std::vector<std::string>{"{e2011457-1546-43c5-a5fe-008deee3d3f0}",
                                                   "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
                                                   "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",
                                                   "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
                                                   "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"}));

    const std::wstring windowsSettings = assembly + L"/" + v3 + L"application/" + v3 + L"windowsSettings/";
    EXPECT_EQ(text(one(windowsSettings + settings2005 + L"dpiAware")), "true/pm");
    EXPECT_EQ(text(one(windowsSettings + settings2016 + L"dpiAwareness")), "PerMonitorV2, PerMonitor");
}

} // namespace
