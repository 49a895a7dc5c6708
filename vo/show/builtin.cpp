#include "vo/show/builtin.h"

#include <string>

#include "vo/show/showfile.h"

std::vector<sNeed> BuiltInNeeds() {
  sShow show;
  std::string error;
  // The text is part of the program; a build with a broken copy fails its tests.
  if (!ParseShow(BuiltInShowText, "", &show, &error)) return {};
  return ShowNeeds(show);
}
