// TypeScript looks for the types of ferolant.mjs here; they live in ferolant.d.ts.
export * from './ferolant.js';
