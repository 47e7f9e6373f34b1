// The libcurl functions the program calls, standing in for the library, which is opened on the
// first call (see engine/shared_library.h). A libcurl function called anywhere else must be
// added here: the program is not linked against libcurl, so the link fails until it is.
#include <curl/curl.h>

#include <cstdarg>

#include "engine/shared_library.h"

namespace {

const vestrel::TSharedLibrary& Libcurl() {
    static const vestrel::TSharedLibrary library("libcurl.so.4");
    return library;
}

}  // namespace

#define LIBCURL_FUNCTION(name) VESTREL_REAL_FUNCTION(Libcurl(), name)

// libcurl declares its variadic functions with an enumeration before the "...": its values are
// those of an int, which promotion leaves as they are.
#pragma GCC diagnostic ignored "-Wvarargs"

VESTREL_STAND_IN CURLcode curl_global_init(long flags) {
    LIBCURL_FUNCTION(curl_global_init);
    return real(flags);
}

VESTREL_STAND_IN void curl_global_cleanup() {
    LIBCURL_FUNCTION(curl_global_cleanup);
    real();
}

VESTREL_STAND_IN CURL* curl_easy_init() {
    LIBCURL_FUNCTION(curl_easy_init);
    return real();
}

// The option's number says the type of its value, as libcurl itself reads it.
VESTREL_STAND_IN CURLcode(curl_easy_setopt)(CURL* handle, CURLoption option, ...) {
    LIBCURL_FUNCTION(curl_easy_setopt);
    va_list values;
    va_start(values, option);
    CURLcode result;
    if (option < CURLOPTTYPE_OBJECTPOINT)
        result = real(handle, option, va_arg(values, long));
    else if (option < CURLOPTTYPE_OFF_T || option >= CURLOPTTYPE_BLOB)
        result = real(handle, option, va_arg(values, void*));
    else
        result = real(handle, option, va_arg(values, curl_off_t));
    va_end(values);
    return result;
}

// Every piece of information is answered through a pointer.
VESTREL_STAND_IN CURLcode(curl_easy_getinfo)(CURL* handle, CURLINFO info, ...) {
    LIBCURL_FUNCTION(curl_easy_getinfo);
    va_list values;
    va_start(values, info);
    const CURLcode result = real(handle, info, va_arg(values, void*));
    va_end(values);
    return result;
}

VESTREL_STAND_IN void curl_easy_cleanup(CURL* handle) {
    if (handle == nullptr) return;
    LIBCURL_FUNCTION(curl_easy_cleanup);
    real(handle);
}

VESTREL_STAND_IN const char* curl_easy_strerror(CURLcode code) {
    LIBCURL_FUNCTION(curl_easy_strerror);
    return real(code);
}

VESTREL_STAND_IN CURLM* curl_multi_init() {
    LIBCURL_FUNCTION(curl_multi_init);
    return real();
}

VESTREL_STAND_IN CURLMcode curl_multi_add_handle(CURLM* multi, CURL* handle) {
    LIBCURL_FUNCTION(curl_multi_add_handle);
    return real(multi, handle);
}

VESTREL_STAND_IN CURLMcode curl_multi_remove_handle(CURLM* multi, CURL* handle) {
    LIBCURL_FUNCTION(curl_multi_remove_handle);
    return real(multi, handle);
}

VESTREL_STAND_IN CURLMcode curl_multi_perform(CURLM* multi, int* running) {
    LIBCURL_FUNCTION(curl_multi_perform);
    return real(multi, running);
}

VESTREL_STAND_IN CURLMcode curl_multi_poll(CURLM* multi, curl_waitfd extra[], unsigned int count,
                                           int timeoutMs, int* ready) {
    LIBCURL_FUNCTION(curl_multi_poll);
    return real(multi, extra, count, timeoutMs, ready);
}

VESTREL_STAND_IN CURLMcode curl_multi_wakeup(CURLM* multi) {
    LIBCURL_FUNCTION(curl_multi_wakeup);
    return real(multi);
}

VESTREL_STAND_IN CURLMsg* curl_multi_info_read(CURLM* multi, int* left) {
    LIBCURL_FUNCTION(curl_multi_info_read);
    return real(multi, left);
}

VESTREL_STAND_IN CURLMcode curl_multi_cleanup(CURLM* multi) {
    if (multi == nullptr) return CURLM_OK;
    LIBCURL_FUNCTION(curl_multi_cleanup);
    return real(multi);
}

VESTREL_STAND_IN curl_slist* curl_slist_append(curl_slist* list, const char* text) {
    LIBCURL_FUNCTION(curl_slist_append);
    return real(list, text);
}

VESTREL_STAND_IN void curl_slist_free_all(curl_slist* list) {
    if (list == nullptr) return;
    LIBCURL_FUNCTION(curl_slist_free_all);
    real(list);
}
