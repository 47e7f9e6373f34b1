// The libgsf (and GLib) functions the program calls, standing in for the library, which is
// opened on the first call (see engine/shared_library.h); GLib's functions are found among
// libgsf's own dependencies. A function called anywhere else must be added here: the program is
// not linked against libgsf, so the link fails until it is.
#include <gsf/gsf.h>

#include "engine/shared_library.h"

namespace {

const vestrel::TSharedLibrary& Libgsf() {
    static const vestrel::TSharedLibrary library("libgsf-1.so.114");
    return library;
}

}  // namespace

#define LIBGSF_FUNCTION(name) VESTREL_REAL_FUNCTION(Libgsf(), name)

VESTREL_STAND_IN void gsf_init() {
    LIBGSF_FUNCTION(gsf_init);
    real();
}

VESTREL_STAND_IN GsfOutput* gsf_output_stdio_new(const char* fileName, GError** error) {
    LIBGSF_FUNCTION(gsf_output_stdio_new);
    return real(fileName, error);
}

VESTREL_STAND_IN GsfOutfile* gsf_outfile_msole_new(GsfOutput* sink) {
    LIBGSF_FUNCTION(gsf_outfile_msole_new);
    return real(sink);
}

VESTREL_STAND_IN GsfOutput* gsf_outfile_new_child(GsfOutfile* container, const char* name,
                                                  gboolean isFolder) {
    LIBGSF_FUNCTION(gsf_outfile_new_child);
    return real(container, name, isFolder);
}

VESTREL_STAND_IN gboolean gsf_output_write(GsfOutput* output, size_t size, const guint8* data) {
    LIBGSF_FUNCTION(gsf_output_write);
    return real(output, size, data);
}

VESTREL_STAND_IN gboolean gsf_output_close(GsfOutput* output) {
    LIBGSF_FUNCTION(gsf_output_close);
    return real(output);
}

VESTREL_STAND_IN const GError* gsf_output_error(const GsfOutput* output) {
    LIBGSF_FUNCTION(gsf_output_error);
    return real(output);
}

VESTREL_STAND_IN GType gsf_output_get_type() {
    LIBGSF_FUNCTION(gsf_output_get_type);
    return real();
}

VESTREL_STAND_IN GTypeInstance* g_type_check_instance_cast(GTypeInstance* instance, GType type) {
    LIBGSF_FUNCTION(g_type_check_instance_cast);
    return real(instance, type);
}

VESTREL_STAND_IN void g_object_unref(gpointer object) {
    LIBGSF_FUNCTION(g_object_unref);
    real(object);
}

VESTREL_STAND_IN void g_clear_error(GError** error) {
    LIBGSF_FUNCTION(g_clear_error);
    real(error);
}
