// The VLAN download of phase 1: which VLANs every logical, encapsulation and physical interface
// of the device belongs to (the VLAN store), and the VLAN descriptions.
//
// A VLAN is a logical interface whose global-identifier row gives the VLAN id. Interfaces stacked
// directly on a VLAN interface in the VLAN stack table (encapsulation interfaces) carry that VLAN
// encapsulated. Ports directly below a VLAN or encapsulation interface in ifStackTable carry the
// VLAN of that interface, encapsulated when the interface above them is.
//
// This file runs the steps in order and stores what they found; each step has its own file:
// LogicalVlanInterfaces.cc (VLAN interfaces and descriptions), EncapsulationInterfaces.cc,
// PhysicalInterfaceVlans.cc, and InterfaceVlanTrees.cc (the per-interface VLAN trees and the
// store they are copied into).
#include "host/CDiscoMediationData.h"
#include "host/CTolError.h"
#include "host/DiscoAgentUtils.h"
#include "host/TolTrace.h"
#include "vlan/CDiscoExtreme3ComVlanSwitchAgent.h"
#include "vlan/VlanTreeEntry.h"

using namespace vlaninternal;

void CDiscoExtreme3ComVlanSwitchAgent::DSADownloadVlanInfo(CTolRecord* device,
                                                           CDiscoMediationData* med) {
  TOL_TRACE(3, "CDiscoExtreme3ComVlanSwitchAgent::DSADownloadVlanInfo().\n");
  CTolTreeList* logicalTree = new CTolTreeList(false);
  CTolTreeList* physicalTree = nullptr;
  CTolTreeList* vlanDescr = nullptr;
  CTolTreeList* vlanStore = nullptr;

  int rc = GetLogicalVlanInfo(device, logicalTree, &vlanDescr);
  if (rc == 1) {
    rc = GetLogicalIfIndexVlan(device, logicalTree);
    if (rc != 1) {
      TOL_TRACE(
          4, "::DSADownloadVlanInfo, failed to get Vlan info for the Encapsulation interfaces.\n");
    }
    vlanStore = new CTolTreeList(false);
    if (AddTreeListEntriesToVlanStore(vlanStore, logicalTree) != 1) {
      TOL_TRACE(
          4, "::DSADownloadVlanInfo(), failed to add the logical interfaces to the VlanStore.\n");
    }
  } else {
    TOL_TRACE(4, "::DSADownloadVlanInfo, failed to get Vlan info for the Logical interfaces.\n");
  }

  if (logicalTree && vlanStore) {
    physicalTree = new CTolTreeList(false);
    rc = GetPhysicalIfIndexVlan(device, physicalTree, logicalTree, med);
    if (rc == 1) {
      if (AddTreeListEntriesToVlanStore(vlanStore, physicalTree) != 1) {
        TOL_TRACE(4, "::DSADownloadVlanInfo(), failed to add Vlan Info to the Vlan Store.\n");
      }
    } else {
      TOL_TRACE(4,
                "::DSADownloadVlanInfo(), failed to get Vlan info for the Physical interfaces.\n");
    }
  }

  // A store the mediation data does not take is freed here; without mediation data nothing can
  // take it.
  if (vlanStore) {
    rc = med ? med->DMDAddDataPtr(ms_VlanStoreKey, vlanStore) : TOL_ERR_NULL;
    if (rc != 1) {
      CTolError(rc, kSource, __LINE__, "Failed to add VLAN store");
      DAUFDeleteTreeListAndContents(vlanStore, eContentVarBind);
    }
  } else {
    TOL_TRACE(1, "::DSADownloadVlanInfo(), no Vlan Info found.\n");
  }

  if (vlanDescr) {
    rc = med ? med->DMDAddDataPtr(ms_VlanDescrKey, vlanDescr) : TOL_ERR_NULL;
    if (rc != 1) {
      CTolError(rc, kSource, __LINE__, "Failed to add VLAN descr");
      DAUFDeleteTreeListAndContents(vlanDescr, eContentText);
    }
  } else {
    TOL_TRACE(1, "::DSADownloadVlanInfo(), no Vlan descr found.\n");
  }

  // The store holds copies of the working trees' entries.
  DAUFDeleteTreeListAndContents(logicalTree, eContentVarBind);
  DAUFDeleteTreeListAndContents(physicalTree, eContentVarBind);

  if (device && med) DownloadVlanTrunkInfo(*device, *med);
}
