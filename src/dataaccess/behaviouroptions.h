// The behaviour bits given to the data-access layer when it is constructed, and the query
// options the engine switches around its exports.
#pragma once

namespace Behaviour {
enum : int {
  CheckExistence = 0x02,           // AddTable and AddField ask TableExists and FieldExists first
  ReadByName = 0x04,               // values are looked up by column name instead of position
  ForwardOnly = 0x08,              // queries opened with a forward-only cursor
  PessimisticLocking = 0x10,       // queries opened with pessimistic locking instead of read-only
  ExclusiveMode = 0x20,            // connection opened in exclusive instead of read-only mode
  DumpTableOnMissingField = 0x40,  // a missing column writes the table's columns to the log
  TrialQueryChecks = 0x80,         // existence checks by the trial-query templates
};
}  // namespace Behaviour

struct QueryOptions {
  bool Distinct = false;
  bool QuoteFields = false;
  bool QuoteTables = false;
};
