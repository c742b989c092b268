#include "check/page_markup.h"

#include "check/page_reader.h"

PageMarkup ReadPageMarkup(std::string_view page, const MarkupQuery& query)
{
    return PageReader(page, query).Read();
}
