#pragma once
// A complete, plausible entry row that tests start from and vary: a known
// child of city 1, 平成20年04月 treatment, claim month 2008/05, 国保, ratio 3,
// department 20, co-payment matching the total.
#include "entry/EntryRow.h"

namespace hotaru::test {

inline entry::EntryRow SampleEntryRow() {
    entry::EntryRow r;
    r.city = "1", r.cityKnown = true, r.recipient = "000012345", r.eda = "1";
    r.diagEra = "平成", r.diagYear = "20", r.diagMonth = "04", r.request = Date{2008, 5, 1};
    r.name = "やまだ　たろう";
    r.bdEra = "平成", r.bdYear = "18", r.bdMonth = "07", r.bdDay = "15";
    r.insuranceText = "2:国保", r.insurance = 2, r.insuranceNo = "12345678", r.hospitalization = 2;
    r.rate = "3", r.rateKnown = true, r.total = "1,000", r.payment = "3,000";
    r.treatment = "20", r.treatmentKnown = true;
    return r;
}

}  // namespace hotaru::test
