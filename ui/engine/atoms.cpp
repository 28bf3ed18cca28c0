// The process-wide table of interned names.
#include "ui/engine/atoms.h"

#include <unordered_map>
#include <vector>

#include "ui/engine/text.h"

namespace engine {

namespace {

struct AtomTable {
  std::vector<std::string> names;
  std::unordered_map<std::string, Atom> byName;

  AtomTable() {
    static const char* const kKnown[] = {
#define ENGINE_ATOM_NAME(name, text) text,
        ENGINE_KNOWN_ATOMS(ENGINE_ATOM_NAME)
#undef ENGINE_ATOM_NAME
    };
    for (const char* name : kKnown) {
      byName.emplace(name, Atom(names.size()));
      names.emplace_back(name);
    }
  }
};

AtomTable& Table() {
  static AtomTable table;
  return table;
}

}  // namespace

Atom InternAtom(std::string_view lowerName) {
  AtomTable& table = Table();
  auto found = table.byName.find(std::string(lowerName));
  if (found != table.byName.end()) return found->second;
  Atom atom = Atom(table.names.size());
  table.names.emplace_back(lowerName);
  table.byName.emplace(std::string(lowerName), atom);
  return atom;
}

Atom FindAtom(std::string_view name) {
  AtomTable& table = Table();
  auto found = table.byName.find(AsciiLowered(name));
  return found == table.byName.end() ? kAtomNone : found->second;
}

const std::string& AtomName(Atom atom) {
  AtomTable& table = Table();
  return atom < table.names.size() ? table.names[atom] : table.names[0];
}

}  // namespace engine
