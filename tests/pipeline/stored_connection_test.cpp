// Placeholder until the layout reader is merged.
