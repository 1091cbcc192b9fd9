// Column groups and joins that student and staff exports share: an address's lines, a contact's
// phones and e-mail with their private flags, and the tie from a person to the current address of
// their current household.
#pragma once

#include <vector>

#include "exportdef.h"
#include "student_getters.h"

namespace exports {

// An address's columns (alias "A"): the apartment line, the street line, city, state and zip.
struct AddressHeaders {
  const char *apartment, *street, *city, *state, *zip;
};

inline std::vector<exportdef::Column> AddressColumns(const AddressHeaders &headers,
                                                     exportdef::Getter streetLine) {
  using exportdef::Out, exportdef::QueryOnly;
  return {Out("A.apt", headers.apartment, get::ApartmentLine),
          Out("A.street", headers.street, streetLine),
          QueryOnly("A.number"),
          QueryOnly("A.prefix"),
          QueryOnly("A.dir"),
          QueryOnly("A.tag"),
          Out("A.city", headers.city),
          Out("A.state", headers.state),
          Out("A.zip", headers.zip)};
}

// The phones and e-mail of a Contact row (alias "CON"), each empty when marked private; each
// declares the product's custom communication field of its kind.
struct ContactHeaders {
  const char *home, *work, *cell, *pager, *email;
};

inline exportdef::Column ContactPhone(const char *source, const char *header, const char *title,
                                      const char *name) {
  return exportdef::Out(source, header, get::PhoneUnlessPrivate)
      .Custom("#customcomfield", title, name, "phone");
}

inline std::vector<exportdef::Column> ContactColumns(const ContactHeaders &headers) {
  using exportdef::Out, exportdef::QueryOnly;
  return {ContactPhone("CON.homePhone", headers.home, "Home Phone", "HomePhone"),
          QueryOnly("CON.homePhonePrivate"),
          ContactPhone("CON.workPhone", headers.work, "Work Phone", "WorkPhone"),
          QueryOnly("CON.workPhonePrivate"),
          ContactPhone("CON.cellPhone", headers.cell, "Cell Phone", "CellPhone"),
          QueryOnly("CON.cellPhonePrivate"),
          ContactPhone("CON.pager", headers.pager, "Pager", "Pager"),
          QueryOnly("CON.pagerPrivate"),
          Out("CON.email", headers.email, get::UnlessPrivate)
              .Custom("#customcomfield", "Email", "Email", "email"),
          QueryOnly("CON.emailPrivate")};
}

// The household tables behind an address, each tied to the one before it: HouseholdMember (HM),
// Household (H), HouseholdLocation (HL), Address (A).
inline std::vector<exportdef::Table> WithHouseholdTables(std::vector<exportdef::Table> tables) {
  tables.insert(
      tables.end(),
      {{"HouseholdMember", "HM"}, {"Household", "H"}, {"HouseholdLocation", "HL"}, {"Address", "A"}});
  return tables;
}

// The person's households and their addresses.
inline std::vector<exportdef::Join> HouseholdJoins(const char *personID) {
  return {{"HM.personID", personID},
          {"H.householdID", "HM.householdID"},
          {"HL.householdID", "H.householdID"},
          {"A.addressID", "HL.addressID"}};
}

// A membership and a location that have not ended, a location that is not a secondary one, and
// the kind of address asked for.
inline std::vector<exportdef::Condition> CurrentHouseholdAddress(exportdef::Condition postOfficeBox) {
  using namespace exportdef;
  return {IsNull("HM.endDate"), IsNull("HL.endDate"), std::move(postOfficeBox),
          AnyOf({IsNull("HL.secondary"), Where("HL.secondary", "=", Number(0))})};
}

}  // namespace exports
