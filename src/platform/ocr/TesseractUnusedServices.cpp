// Orvanta links Tesseract's static library: its shared library needs libcurl (to read images from
// URLs) and libarchive (to read models packed in archives), and the two bring 28 libraries whose
// loading doubles the start of every Orvanta program. Orvanta hands Tesseract neither a URL nor an
// archived model, so these are the only calls Tesseract can make into them, answered as the
// libraries answer when they cannot help: no handle, and Tesseract falls back or reports an error.
// Nothing else sees these definitions: they are linked into Orvanta's programs, not exported.
// Last, one step of loading an engine that Orvanta's way of reading does without.

#include <cstddef>

extern "C" {

void *curl_easy_init()
{
    return nullptr;
}

int curl_easy_setopt(void *, int, ...)
{
    return 4; // CURLE_NOT_BUILT_IN
}

int curl_easy_perform(void *)
{
    return 4;
}

void curl_easy_cleanup(void *) {}

const char *curl_easy_strerror(int)
{
    return "Reading images from URLs is not supported";
}

void *archive_read_new()
{
    return nullptr;
}

int archive_read_free(void *)
{
    return 0;
}

int archive_read_support_filter_all(void *)
{
    return -30; // ARCHIVE_FATAL
}

int archive_read_support_format_all(void *)
{
    return -30;
}

int archive_read_open_filename(void *, const char *, std::size_t)
{
    return -30;
}

int archive_read_next_header(void *, void **)
{
    return -30;
}

long archive_read_data(void *, void *, std::size_t)
{
    return -30;
}

const char *archive_entry_pathname(void *)
{
    return nullptr;
}

long archive_entry_size(void *)
{
    return 0;
}
}

// Tesseract fills every engine it loads with a built-in table of character confusions ("rn" read
// for "m"), parsed from text: four fifths of the loading time of an engine (about 65 of 80 ms of
// processor time). Only its older, legacy recogniser and that recogniser's dictionary checks read
// the table; Orvanta runs the LSTM recogniser alone, whose results are the same without it. The
// link sends Tesseract's one call of UnicharAmbigs::LoadUniversal here (-Wl,--wrap), and nothing
// is loaded. Should a later Tesseract rename the function, the wrap is unused and the table loads.
extern "C" void __wrap__ZN9tesseract13UnicharAmbigs13LoadUniversalERKNS_10UNICHARSETEPS1_(void * /*ambigs*/,
                                                                                          const void * /*encoderSet*/,
                                                                                          void * /*unicharset*/)
{}
