#pragma once

#include <string>
#include <string_view>

// Paths inside an EPUB archive, as the package's links name them.

// The archive path a link (href, src, full-path) of the document at documentPath names: the fragment and query
// dropped, percent-escapes decoded ("Text/Chapter%201.xhtml"), resolved against the document's folder ("" is the
// archive's root; a leading "/" starts there too), "." and ".." applied (".." never climbs above the root) and
// repeated separators dropped. A link with a scheme of its own ("http:", "mailto:") names nothing in the book:
// the answer is empty. So is a link to the document itself ("" or "#note") when documentPath is empty.
std::string ResolveHref(std::string_view documentPath, std::string_view href);

// Whether a link points into its document (it has a fragment) rather than at its start.
bool HasFragment(std::string_view href);
