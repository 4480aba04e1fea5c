// The calibration targets as SVG (see boardSvg.h).
#include "boardSvg.h"

#include <sstream>

namespace talmeq::cli {

std::string svgBoard(const BoardLayout& layout, double unitMm) {
  std::ostringstream svg;
  svg.precision(10);
  svg << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << layout.size.width * unitMm << "mm\" height=\""
      << layout.size.height * unitMm << "mm\" viewBox=\"0 0 " << layout.size.width << ' ' << layout.size.height
      << "\" shape-rendering=\"crispEdges\">\n"
      << "<rect width=\"" << layout.size.width << "\" height=\"" << layout.size.height << "\" fill=\"white\"/>\n";
  int openMarker = -1;
  for (const DarkRect& dark : layout.dark) {
    if (dark.marker != openMarker) {
      if (openMarker >= 0) svg << "</g>\n";
      svg << "<g class=\"marker\" id=\"marker-" << dark.marker << "\">\n";
      openMarker = dark.marker;
    }
    svg << "<rect class=\"" << (dark.marker < 0 ? "square" : "cell") << "\" x=\"" << dark.rect.x << "\" y=\""
        << dark.rect.y << "\" width=\"" << dark.rect.width << "\" height=\"" << dark.rect.height
        << "\" fill=\"black\"/>\n";
  }
  if (openMarker >= 0) svg << "</g>\n";
  svg << "</svg>\n";
  return svg.str();
}

}  // namespace talmeq::cli
