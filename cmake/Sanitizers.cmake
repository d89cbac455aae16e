# Sanitizer builds keep frame pointers and halt on the first report so a fault fails the run.
if(NV_SANITIZE STREQUAL "address")
    set(_nv_san_flags -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
elseif(NV_SANITIZE STREQUAL "thread")
    set(_nv_san_flags -fsanitize=thread -fno-omit-frame-pointer)
    # GCC warns that ThreadSanitizer cannot model std::atomic_thread_fence, which Boost.Asio (in
    # nvmaild) uses: a limit of the tool, not a fault of ours, and -Werror must not stop on it.
    add_compile_options($<$<CXX_COMPILER_ID:GNU>:-Wno-tsan>)
elseif(NOT NV_SANITIZE STREQUAL "")
    message(FATAL_ERROR "NV_SANITIZE must be empty, 'address' or 'thread'")
endif()
if(_nv_san_flags)
    add_compile_options(${_nv_san_flags})
    add_link_options(${_nv_san_flags})
endif()
