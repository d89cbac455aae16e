// NPAPI basic types and constants as the browser and the plug-in exchange them on Linux/X11:
// instance and stream records, window and print records, the variables of NPN/NPP_GetValue,
// error and reason codes, stream types and interface versions. Layouts are the C ABI the browser
// was built with; the static_asserts pin the x86_64 facts.
//
// Declarations only. Thread contract: the browser's functions that take these records run on the
// browser's main thread only; NPN_PluginThreadAsyncCall is the one entry any thread may call.
#pragma once

#include <cstddef>
#include <cstdint>

using NPBool = unsigned char;
using NPError = int16_t;
using NPReason = int16_t;
using NPMIMEType = char*;

// The browser owns ndata; the plug-in may store anything in pdata.
struct NPP_t {
    void* pdata;
    void* ndata;
};
using NPP = NPP_t*;

struct NPStream {
    void* pdata;
    void* ndata;
    const char* url;
    uint32_t end; // content length, 0 when unknown
    uint32_t lastmodified;
    void* notifyData;
    // HTTP status line and headers separated by "\n", or null for other protocols; valid only until
    // NPP_DestroyStream, so copy what is kept.
    const char* headers;
};

struct NPByteRange {
    int32_t offset; // negative: from the end
    uint32_t length;
    NPByteRange* next;
};

struct NPSavedData {
    int32_t len;
    void* buf;
};

struct NPRect {
    uint16_t top;
    uint16_t left;
    uint16_t bottom;
    uint16_t right;
};

struct NPSize {
    int32_t width;
    int32_t height;
};

// An X11 Region on this platform; only ever passed through by pointer.
using NPRegion = void*;
using NPMenu = void*;

enum NPWindowType : int {
    NPWindowTypeWindow = 1,
    NPWindowTypeDrawable,
};

struct NPWindow {
    void* window;
    int32_t x;
    int32_t y;
    uint32_t width;
    uint32_t height;
    NPRect clipRect;
    void* ws_info; // present on X11 builds only: NPSetWindowCallbackStruct*
    NPWindowType type;
};

struct NPFullPrint {
    NPBool pluginPrinted;
    NPBool printOne;
    void* platformPrint;
};

struct NPEmbedPrint {
    NPWindow window;
    void* platformPrint;
};

struct NPPrint {
    uint16_t mode; // NP_FULL or NP_EMBED
    union {
        NPFullPrint fullPrint;
        NPEmbedPrint embedPrint;
    } print;
};

enum NPFocusDirection : int {
    NPFocusNext = 0,
    NPFocusPrevious = 1,
};

enum NPCoordinateSpace : int {
    NPCoordinateSpacePlugin = 1,
    NPCoordinateSpaceWindow,
    NPCoordinateSpaceFlippedWindow,
    NPCoordinateSpaceScreen,
    NPCoordinateSpaceFlippedScreen,
};

// GCC builds on Unix mark the variables that carried C++ objects in the old XPCOM days.
constexpr int NP_ABI_MASK = 0x10000000;

enum NPPVariable : int {
    NPPVpluginNameString = 1,
    NPPVpluginDescriptionString = 2,
    NPPVpluginWindowBool = 3,
    NPPVpluginTransparentBool = 4,
    NPPVjavaClass = 5,
    NPPVpluginWindowSize = 6,
    NPPVpluginTimerInterval = 7,
    NPPVpluginScriptableInstance = 10 | NP_ABI_MASK,
    NPPVpluginScriptableIID = 11,
    NPPVjavascriptPushCallerBool = 12,
    NPPVpluginKeepLibraryInMemory = 13,
    NPPVpluginNeedsXEmbed = 14,
    NPPVpluginScriptableNPObject = 15,
    NPPVformValue = 16,
    NPPVpluginUrlRequestsDisplayedBool = 17,
    NPPVpluginWantsAllNetworkStreams = 18,
    NPPVpluginNativeAccessibleAtkPlugId = 19,
    NPPVpluginCancelSrcStream = 20,
    NPPVsupportsAdvancedKeyHandling = 21,
    NPPVpluginUsesDOMForCursorBool = 22,
};

enum NPNVariable : int {
    NPNVxDisplay = 1,
    NPNVxtAppContext = 2,
    NPNVnetscapeWindow = 3,
    NPNVjavascriptEnabledBool = 4,
    NPNVasdEnabledBool = 5,
    NPNVisOfflineBool = 6,
    NPNVserviceManager = 10 | NP_ABI_MASK,
    NPNVDOMElement = 11 | NP_ABI_MASK,
    NPNVDOMWindow = 12 | NP_ABI_MASK,
    NPNVToolkit = 13 | NP_ABI_MASK,
    NPNVSupportsXEmbedBool = 14,
    NPNVWindowNPObject = 15,
    NPNVPluginElementNPObject = 16,
    NPNVSupportsWindowless = 17,
    NPNVprivateModeBool = 18,
    NPNVsupportsAdvancedKeyHandling = 21,
};

// The answer to NPNVToolkit.
enum NPNToolkitType : int {
    NPNVGtk12 = 1,
    NPNVGtk2 = 2,
};

enum NPNURLVariable : int {
    NPNURLVCookie = 501,
    NPNURLVProxy = 502,
};

// Interface version: the minor number is the table version both sides compare against.
constexpr int NP_VERSION_MAJOR = 0;
constexpr int NP_VERSION_MINOR = 27;

// The table version from which each feature exists.
constexpr int NPVERS_HAS_STREAMOUTPUT = 8;
constexpr int NPVERS_HAS_NOTIFICATION = 9;
constexpr int NPVERS_HAS_LIVECONNECT = 9;
constexpr int NPVERS_68K_HAS_LIVECONNECT = 11;
constexpr int NPVERS_HAS_WINDOWLESS = 11;
constexpr int NPVERS_HAS_XPCONNECT_SCRIPTING = 13;
constexpr int NPVERS_HAS_NPRUNTIME_SCRIPTING = 14;
constexpr int NPVERS_HAS_FORM_VALUES = 15;
constexpr int NPVERS_HAS_POPUPS_ENABLED_STATE = 16;
constexpr int NPVERS_HAS_RESPONSE_HEADERS = 17;
constexpr int NPVERS_HAS_NPOBJECT_ENUM = 18;
constexpr int NPVERS_HAS_PLUGIN_THREAD_ASYNC_CALL = 19;
constexpr int NPVERS_HAS_ALL_NETWORK_STREAMS = 20;
constexpr int NPVERS_HAS_URL_AND_AUTH_INFO = 21;
constexpr int NPVERS_HAS_PRIVATE_MODE = 22;
constexpr int NPVERS_MACOSX_HAS_COCOA_EVENTS = 23;
constexpr int NPVERS_HAS_ADVANCED_KEY_HANDLING = 25;
constexpr int NPVERS_HAS_URL_REDIRECT_HANDLING = 26;
constexpr int NPVERS_HAS_CLEAR_SITE_DATA = 27;

// NPP_New modes.
constexpr uint16_t NP_EMBED = 1;
constexpr uint16_t NP_FULL = 2;

// Stream types the plug-in picks in NPP_NewStream.
constexpr uint16_t NP_NORMAL = 1;
constexpr uint16_t NP_SEEK = 2;
constexpr uint16_t NP_ASFILE = 3;
constexpr uint16_t NP_ASFILEONLY = 4;

// The largest answer NPP_WriteReady can give.
constexpr int32_t NP_MAXREADY = 0x7fffffff;

constexpr NPError NPERR_BASE = 0;
constexpr NPError NPERR_NO_ERROR = NPERR_BASE + 0;
constexpr NPError NPERR_GENERIC_ERROR = NPERR_BASE + 1;
constexpr NPError NPERR_INVALID_INSTANCE_ERROR = NPERR_BASE + 2;
constexpr NPError NPERR_INVALID_FUNCTABLE_ERROR = NPERR_BASE + 3;
constexpr NPError NPERR_MODULE_LOAD_FAILED_ERROR = NPERR_BASE + 4;
constexpr NPError NPERR_OUT_OF_MEMORY_ERROR = NPERR_BASE + 5;
constexpr NPError NPERR_INVALID_PLUGIN_ERROR = NPERR_BASE + 6;
constexpr NPError NPERR_INVALID_PLUGIN_DIR_ERROR = NPERR_BASE + 7;
constexpr NPError NPERR_INCOMPATIBLE_VERSION_ERROR = NPERR_BASE + 8;
constexpr NPError NPERR_INVALID_PARAM = NPERR_BASE + 9;
constexpr NPError NPERR_INVALID_URL = NPERR_BASE + 10;
constexpr NPError NPERR_FILE_NOT_FOUND = NPERR_BASE + 11;
constexpr NPError NPERR_NO_DATA = NPERR_BASE + 12;
constexpr NPError NPERR_STREAM_NOT_SEEKABLE = NPERR_BASE + 13;
constexpr NPError NPERR_TIME_RANGE_NOT_SUPPORTED = NPERR_BASE + 14;
constexpr NPError NPERR_MALFORMED_SITE = NPERR_BASE + 15;

constexpr NPReason NPRES_BASE = 0;
constexpr NPReason NPRES_DONE = NPRES_BASE + 0;
constexpr NPReason NPRES_NETWORK_ERR = NPRES_BASE + 1;
constexpr NPReason NPRES_USER_BREAK = NPRES_BASE + 2;

#if defined(__x86_64__) && defined(__linux__)
static_assert(sizeof(NPBool) == 1 && sizeof(NPError) == 2 && sizeof(NPReason) == 2);
static_assert(sizeof(NPP_t) == 16 && offsetof(NPP_t, ndata) == 8);
static_assert(sizeof(NPStream) == 48);
static_assert(offsetof(NPStream, url) == 16 && offsetof(NPStream, end) == 24);
static_assert(offsetof(NPStream, lastmodified) == 28 && offsetof(NPStream, notifyData) == 32);
static_assert(offsetof(NPStream, headers) == 40);
static_assert(sizeof(NPByteRange) == 16 && offsetof(NPByteRange, next) == 8);
static_assert(sizeof(NPSavedData) == 16 && offsetof(NPSavedData, buf) == 8);
static_assert(sizeof(NPRect) == 8 && offsetof(NPRect, right) == 6);
static_assert(sizeof(NPWindow) == 48);
static_assert(offsetof(NPWindow, x) == 8 && offsetof(NPWindow, width) == 16);
static_assert(offsetof(NPWindow, clipRect) == 24 && offsetof(NPWindow, ws_info) == 32);
static_assert(offsetof(NPWindow, type) == 40);
static_assert(sizeof(NPFullPrint) == 16 && sizeof(NPEmbedPrint) == 56);
static_assert(sizeof(NPPrint) == 64 && offsetof(NPPrint, print) == 8);
static_assert(sizeof(NPPVariable) == 4 && sizeof(NPNVariable) == 4 && sizeof(NPNURLVariable) == 4);
#endif
