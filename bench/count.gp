\\ Number of sets of distinct proper divisors of n with sum t (count only):
\\ the product of the 1 + x^d by a balanced tree, truncated above x^t.
arbre(v, t) = {
  while (#v > 1,
    my(w = vector((#v + 1) \ 2, i, if (2*i <= #v, v[2*i-1] * v[2*i], v[2*i-1])));
    v = apply(p -> if (poldegree(p) > t, truncate(p + O('x^(t+1))), p), w));
  v[1];
}
compte(n, t) = {
  my(d = select(x -> x <= t && x < n, divisors(n)));
  polcoef(arbre(apply(e -> 1 + 'x^e, d), t), t);
}
