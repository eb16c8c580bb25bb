// Rendering of the processed data into the results file: every field with its type, nested
// lists, and each remote neighbour under the local neighbour it was handed over for.
#include <gtest/gtest.h>

#include "engine/report/ResultsJson.h"
#include "host/CDiscoProcessedData.h"
#include "host/CTolAtomVector.h"
#include "host/CTolRecord.h"

namespace {

using disco::Json;

CTolVBList* Fields(const std::vector<std::pair<const char*, int>>& ints) {
  CTolVBList* list = new CTolVBList();
  for (const auto& f : ints) list->RVBLAddToListEnd(new CTolVarBind(f.first, f.second));
  return list;
}

TEST(ResultsJsonTest, FieldsKeepTheirOrderTypesAndNesting) {
  CTolVBList fields;
  fields.RVBLAddToListEnd(new CTolVarBind("m_IfIndex", 1001));
  fields.RVBLAddToListEnd(new CTolVarBind("m_IfDescr", "Port 1:1"));
  CTolAtomVector* data = new CTolAtomVector(1);
  data->RAVAddToEnd(new CTolAtom(Fields({{"m_LocalNbrVlan", 2}, {"m_Encapsulated", 1}})));
  CTolAtom* dataAtom = new CTolAtom(data);
  fields.RVBLAddToListEnd(new CTolVarBind("m_LocalNbrVlanData", &dataAtom));
  CTolAtomVector* tags = new CTolAtomVector(1);
  tags->RAVAddToEnd(new CTolAtom(10));
  CTolAtom* tagsAtom = new CTolAtom(tags);
  fields.RVBLAddToListEnd(new CTolVarBind("m_TrunkedVlanTags", &tagsAtom));
  const unsigned char bytes[] = {0x00, 0x04, 0x96, 0xAB};
  CTolAtom raw(bytes, sizeof bytes);
  fields.RVBLAddToListEnd(new CTolVarBind("m_Raw", &raw));
  fields.RVBLAddToListEnd(new CTolVarBind("m_Nothing", static_cast<const char*>(nullptr)));

  Json expected = Json::parse(R"([
    {"name": "m_IfIndex", "type": "integer", "value": 1001},
    {"name": "m_IfDescr", "type": "string", "value": "Port 1:1"},
    {"name": "m_LocalNbrVlanData", "type": "vector", "value": [
      {"type": "object", "value": [
        {"name": "m_LocalNbrVlan", "type": "integer", "value": 2},
        {"name": "m_Encapsulated", "type": "integer", "value": 1}]}]},
    {"name": "m_TrunkedVlanTags", "type": "vector", "value": [{"type": "integer", "value": 10}]},
    {"name": "m_Raw", "type": "bytes", "value": "000496AB"},
    {"name": "m_Nothing", "type": "null", "value": null}])");
  std::string text;
  disco::AppendFields(&text, fields, 0);
  EXPECT_EQ(Json::parse(text), expected);
  // Written piece by piece, the text is still the library's own pretty print of it.
  EXPECT_EQ(text, expected.dump(2));
}

TEST(ResultsJsonTest, RemoteNeighboursGoUnderTheirLocalNeighbourInHandOverOrder) {
  CDiscoProcessedData proc;
  CTolRecord port1(Fields({{"m_IfIndex", 1}}));
  CTolRecord port2(Fields({{"m_IfIndex", 2}}));
  CTolRecord unknown(Fields({{"m_IfIndex", 3}}));
  proc.DPDAddLocalNbr(port1.RRCopyValues());
  proc.DPDAddLocalNbr(port2.RRCopyValues());
  proc.DPDAddRemoteNbr(&port2, Fields({{"n", 21}}));
  proc.DPDAddRemoteNbr(&port1, Fields({{"n", 11}}));
  proc.DPDAddRemoteNbr(&port2, Fields({{"n", 22}}));
  proc.DPDAddRemoteNbr(&unknown, Fields({{"n", 31}}));

  std::string text = "{\n";
  disco::AppendNeighbours(&text, proc, 1, nullptr);
  text += "\n}";
  Json out = Json::parse(text);
  EXPECT_EQ(text, out.dump(2));
  const Json& locals = out["local_neighbours"];
  ASSERT_EQ(locals.size(), 2u);
  auto n = [](const Json& remote) { return remote["fields"][0]["value"].get<int>(); };
  EXPECT_EQ(locals[0]["fields"][0]["value"], 1);
  ASSERT_EQ(locals[0]["remote_neighbours"].size(), 1u);
  EXPECT_EQ(n(locals[0]["remote_neighbours"][0]), 11);
  ASSERT_EQ(locals[1]["remote_neighbours"].size(), 2u);
  EXPECT_EQ(n(locals[1]["remote_neighbours"][0]), 21);
  EXPECT_EQ(n(locals[1]["remote_neighbours"][1]), 22);
  // Nothing is lost: a remote neighbour whose local neighbour was never handed over is kept.
  ASSERT_EQ(out["unmatched_remote_neighbours"].size(), 1u);
  EXPECT_EQ(n(out["unmatched_remote_neighbours"][0]), 31);
  EXPECT_EQ(out["unmatched_remote_neighbours"][0]["local_fields"][0]["value"], 3);
}

}  // namespace
