#include "support/AtomText.h"

#include "host/CTolAtom.h"
#include "host/CTolAtomVector.h"
#include "host/CTolVBList.h"

std::string ShowAtom(const CTolAtom* atom) {
  if (!atom) return "<none>";
  switch (atom->RAType()) {
    case eTolInteger:
      return std::to_string(atom->RAInt());
    case eTolString:
      return "'" + std::string(atom->RAString()) + "'";
    case eTolObject:
      return "{" + ShowFields(*atom->RAObject()) + "}";
    case eTolVector: {
      std::string text = "[";
      for (int i = 0; i < atom->RAVector()->RAVSize(); ++i) {
        text += (i ? " " : "") + ShowAtom(atom->RAVector()->RAVGetValue(i));
      }
      return text + "]";
    }
    default:
      return "<type " + std::to_string(atom->RAType()) + ">";
  }
}

std::string ShowFields(const CTolVBList& fields) {
  std::string text;
  for (const CTolVarBind* vb = fields.RVBLHead(); vb; vb = fields.RVBLGetNext(vb)) {
    text += (text.empty() ? "" : " ") + std::string(vb->RVBNameText() ? vb->RVBNameText() : "?") +
            "=" + ShowAtom(vb->RVBValue());
  }
  return text;
}
