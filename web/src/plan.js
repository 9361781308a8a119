// The Plan tab (filled in below when the planning engine is part of the build).
export function setUpPlan() {}
