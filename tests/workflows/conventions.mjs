// Checks a hosted CI workflow against the conventions the project keeps:
// read-only permissions set at the top, every action pinned to a full
// commit SHA with its version in a comment, a time limit on every job, a
// superseded run cancelled, no pull_request_target and no secret.
// Usage: node conventions.mjs WORKFLOW ...   Exit status 1 on any fault,
// each printed as "FILE: fault".
import { readFileSync } from "node:fs";
import { parseDocument } from "yaml";

function faultsOf(text) {
  const faults = [];
  const document = parseDocument(text);
  if (document.errors.length > 0) {
    return document.errors.map((error) => `not YAML: ${error.message}`);
  }
  const workflow = document.toJS() ?? {};
  const triggers = workflow.on ?? {};
  const triggerNames =
    typeof triggers === "string"
      ? [triggers]
      : Array.isArray(triggers)
        ? triggers
        : Object.keys(triggers);
  if (triggerNames.includes("pull_request_target")) {
    faults.push("pull_request_target runs untrusted code with write access");
  }
  const permissions = workflow.permissions;
  if (
    permissions === undefined ||
    permissions === null ||
    typeof permissions !== "object" ||
    Object.entries(permissions).some(([, access]) => access !== "read")
  ) {
    faults.push("permissions must be set at the top, and only to read");
  }
  if (workflow.concurrency?.["cancel-in-progress"] !== true) {
    faults.push("concurrency must cancel a superseded run");
  }
  for (const [name, job] of Object.entries(workflow.jobs ?? {})) {
    if (typeof job?.["timeout-minutes"] !== "number") {
      faults.push(`job ${name} has no timeout-minutes`);
    }
    if (job?.permissions !== undefined) {
      faults.push(`job ${name} sets permissions of its own`);
    }
  }
  // Every "uses:" line, wherever it stands, with the comment after it.
  for (const line of text.split("\n")) {
    const used = line.match(/^\s*(?:-\s+)?uses:\s*(\S+)\s*(#.*)?$/);
    if (!used) {
      continue;
    }
    const [, action, comment] = used;
    if (action.startsWith("./")) {
      continue;
    }
    if (!/^[\w.-]+\/[\w./-]+@[0-9a-f]{40}$/.test(action)) {
      faults.push(`${action} is not pinned to a full commit SHA`);
    } else if (!/^#\s*v\d/.test(comment ?? "")) {
      faults.push(`${action} has no version in a comment`);
    }
  }
  if (/\bsecrets\s*\./.test(text) || /\bsecrets\s*\[/.test(text)) {
    faults.push("a secret is used");
  }
  return faults;
}

let failed = false;
for (const file of process.argv.slice(2)) {
  for (const fault of faultsOf(readFileSync(file, "utf8"))) {
    console.log(`${file}: ${fault}`);
    failed = true;
  }
}
process.exit(failed ? 1 : 0);
