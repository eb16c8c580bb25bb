// Construction of the VLAN switch agent, its store keys and the default VLAN description. The
// VLAN download lives in VlanDownload.cc (which names the file of each of its steps), the trunk
// discovery in VlanTrunks.cc and the per-interface annotation with the release of the stores in
// VlanAnnotation.cc.
#include "vlan/CDiscoExtreme3ComVlanSwitchAgent.h"

#include "vlan/VlanTreeEntry.h"

const char* const CDiscoExtreme3ComVlanSwitchAgent::ms_VlanStoreKey = "m_vlanStore";
const char* const CDiscoExtreme3ComVlanSwitchAgent::ms_VlanDescrKey = "m_VlanDescr";
const char* const CDiscoExtreme3ComVlanSwitchAgent::ms_VlanToVlanTagKey = "m_VlanToVlanTag";
const char* const CDiscoExtreme3ComVlanSwitchAgent::ms_TrunkIfIndexesKey = "m_TrunkIfIndexes";

const char* const vlaninternal::kDefaultVlanDescr = "Default Vlan";

// The names are string literals of the subclass: kept as given, never copied nor freed.
CDiscoExtreme3ComVlanSwitchAgent::CDiscoExtreme3ComVlanSwitchAgent(
    const char* globalMappingName, const char* globalIdName, const char* vlanDescrName,
    const char* stackLowerLayerName, const char* encapsIfTagName, int lowerLayerIfType,
    const char* encapsIfDescrFilter)
    : CDiscoSwitchAgent(),
      m_GlobalMappingName(globalMappingName),
      m_GlobalIdName(globalIdName),
      m_VlanDescrName(vlanDescrName),
      m_StackLowerLayerName(stackLowerLayerName),
      m_EncapsIfTagName(encapsIfTagName),
      m_LowerLayerIfType(lowerLayerIfType),
      m_EncapsIfDescrFilter(encapsIfDescrFilter) {}

// Pure, so that the class stays abstract, yet defined: the destructors of subclasses run it. The
// agent holds no VLAN state of its own; everything lives in each device's mediation data.
CDiscoExtreme3ComVlanSwitchAgent::~CDiscoExtreme3ComVlanSwitchAgent() {}
