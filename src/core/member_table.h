// Builders for member tables: one line per member binds a published name to a C++ field,
// accessor or method, and converts arguments and results by the C++ types involved.
//
//   static const MemberTable table("calCalendar", {
//       Prop<&calCalendar::m1>("m1"),
//       Accessor("ButtonDeleteCaption", &HTMLRelatedRecords::ButtonDeleteCaption,
//                &HTMLRelatedRecords::ButtonDeleteCaption),
//       Method("Add", &HTMLRelatedRecords::Add),
//   });
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>

#include "core/automation_error.h"
#include "core/dispatch.h"
#include "core/on_first_read.h"
#include "core/variant.h"

namespace korvex {

// ---- Conversions by C++ type ---------------------------------------------------------------

template <class T>
struct VariantConverter;

template <>
struct VariantConverter<Variant> {
  static Variant From(const Variant& v) { return v; }
  static Variant To(Variant v) { return v; }
};
template <>
struct VariantConverter<std::string> {
  static std::string From(const Variant& v) { return ToText(v); }
  static Variant To(std::string s) { return Variant(std::move(s)); }
};
template <>
struct VariantConverter<bool> {
  static bool From(const Variant& v) { return CBool(v); }
  static Variant To(bool b) { return Variant(b); }
};
template <>
struct VariantConverter<int16_t> {
  static int16_t From(const Variant& v) { return CInt(v); }
  static Variant To(int16_t i) { return Variant(i); }
};
template <>
struct VariantConverter<int32_t> {
  static int32_t From(const Variant& v) { return CLng(v); }
  static Variant To(int32_t i) { return Variant(i); }
};
template <>
struct VariantConverter<double> {
  static double From(const Variant& v) { return CDbl(v); }
  static Variant To(double d) { return Variant(d); }
};
template <>
struct VariantConverter<DateValue> {
  static DateValue From(const Variant& v) { return CDate(v); }
  static Variant To(DateValue d) { return Variant(d); }
};
template <class T>
struct VariantConverter<std::shared_ptr<T>> {
  static std::shared_ptr<T> From(const Variant& v) {
    if constexpr (std::is_same_v<T, Dispatch>) {
      return RequireObject(v);
    } else {
      return RequireObjectOf<T>(v);
    }
  }
  static Variant To(std::shared_ptr<T> p) {
    return p ? Variant(std::shared_ptr<Dispatch>(std::move(p))) : Variant::Nothing();
  }
};
/// Optional arguments: Missing (or absent) gives nothing.
template <class T>
struct VariantConverter<std::optional<T>> {
  static std::optional<T> From(const Variant& v) {
    if (v.IsMissing()) return std::nullopt;
    return VariantConverter<T>::From(v);
  }
};

template <class T>
using Bare = std::remove_cvref_t<T>;

template <class T>
Bare<T> FromVariant(const Variant& v) {
  return VariantConverter<Bare<T>>::From(v);
}
template <class T>
Variant ToVariant(T&& value) {
  return VariantConverter<Bare<T>>::To(std::forward<T>(value));
}

namespace detail {

template <class T>
struct IsOptional : std::false_type {};
template <class T>
struct IsOptional<std::optional<T>> : std::true_type {};

template <class T>
struct MemberPointerTraits;
template <class C, class T>
struct MemberPointerTraits<T C::*> {
  using Class = C;
  using Type = T;
};

/// A value read as a property; index arguments, when given, go to its default member.
inline Variant ApplyIndex(Variant value, Args args) {
  if (args.empty()) return value;
  return RequireObject(value)->CallDefault(args);
}

template <class Param>
Bare<Param> Argument(Args args, size_t i) {
  using P = Bare<Param>;
  if (i >= args.size() || args[i].IsMissing()) {
    if constexpr (IsOptional<P>::value) {
      return std::nullopt;
    } else if constexpr (std::is_same_v<P, Variant>) {
      return Variant::Missing();
    } else {
      RaiseRuntimeError(err::kArgumentNotOptional);
    }
  }
  return FromVariant<P>(args[i]);
}

}  // namespace detail

// ---- Member builders -----------------------------------------------------------------------

/// A public field, read and written. An object-valued field (std::shared_ptr) is created on
/// first read when empty, and replaced on assignment.
template <auto Field>
Member Prop(std::string_view name) {
  using Traits = detail::MemberPointerTraits<decltype(Field)>;
  using C = typename Traits::Class;
  using T = typename Traits::Type;
  Member m;
  m.name = name;
  m.get = [](Dispatch& d, Args args) -> Variant {
    auto& self = static_cast<C&>(d);
    if constexpr (requires { typename T::element_type; }) {
      using Element = typename T::element_type;
      if (!(self.*Field)) {
        if constexpr (std::is_default_constructible_v<Element>)
          self.*Field = std::make_shared<Element>();
      }
    }
    return detail::ApplyIndex(ToVariant(self.*Field), args);
  };
  m.put = [](Dispatch& d, Args args, const Variant& v) {
    if (!args.empty()) RaiseRuntimeError(err::kWrongArgumentCount);
    static_cast<C&>(d).*Field = FromVariant<T>(v);
  };
  return m;
}

/// An object-valued public field held in an OnFirstRead slot: created on first read by the
/// slot's recipe, replaced on assignment (an object of another class raises 13).
template <auto Field>
Member ObjectProp(std::string_view name) {
  using Traits = detail::MemberPointerTraits<decltype(Field)>;
  using C = typename Traits::Class;
  Member m;
  m.name = name;
  m.get = [](Dispatch& d, Args args) -> Variant {
    return detail::ApplyIndex(ToVariant((static_cast<C&>(d).*Field).get()), args);
  };
  m.put = [](Dispatch& d, Args args, const Variant& v) {
    if (!args.empty()) RaiseRuntimeError(err::kWrongArgumentCount);
    using Slot = typename Traits::Type;
    using Element = std::remove_cvref_t<decltype(*std::declval<Slot&>())>;
    static_cast<C&>(d).*Field = FromVariant<std::shared_ptr<Element>>(v);
  };
  return m;
}

/// A public field the page may read but not write.
template <auto Field>
Member ReadOnlyProp(std::string_view name) {
  Member m = Prop<Field>(name);
  m.put = nullptr;
  return m;
}

namespace detail {

template <class C, class Getter>
Member MakeGetter(std::string_view name, Getter getter) {
  Member m;
  m.name = name;
  m.get = [getter](Dispatch& d, Args args) -> Variant {
    return ApplyIndex(ToVariant((static_cast<C&>(d).*getter)()), args);
  };
  return m;
}

template <class C, class Getter, class S>
Member MakeAccessor(std::string_view name, Getter getter, void (C::*setter)(S)) {
  Member m = MakeGetter<C>(name, getter);
  m.put = [setter](Dispatch& d, Args args, const Variant& v) {
    if (!args.empty()) RaiseRuntimeError(err::kWrongArgumentCount);
    (static_cast<C&>(d).*setter)(FromVariant<S>(v));
  };
  return m;
}

template <class C, class Fn, class R, class... A>
Member MakeMethod(std::string_view name, Fn fn) {
  Member m;
  m.name = name;
  m.kind = MemberKind::Method;
  m.get = [fn](Dispatch& d, Args args) -> Variant {
    if (args.size() > sizeof...(A)) RaiseRuntimeError(err::kWrongArgumentCount);
    return [&]<size_t... I>(std::index_sequence<I...>)->Variant {
      if constexpr (std::is_void_v<R>) {
        (static_cast<C&>(d).*fn)(Argument<A>(args, I)...);
        return Variant();
      } else {
        return ToVariant((static_cast<C&>(d).*fn)(Argument<A>(args, I)...));
      }
    }
    (std::index_sequence_for<A...>{});
  };
  return m;
}

}  // namespace detail

// Each builder below takes a const and a non-const member function alike (getters that
// create on first read are not const); the overloads only name the two pointer types.

/// A property with behaviour: getter Name() and setter Name(value).
template <class C, class G, class S>
Member Accessor(std::string_view name, G (C::*getter)() const, void (C::*setter)(S)) {
  return detail::MakeAccessor<C>(name, getter, setter);
}
template <class C, class G, class S>
Member Accessor(std::string_view name, G (C::*getter)(), void (C::*setter)(S)) {
  return detail::MakeAccessor<C>(name, getter, setter);
}

/// A read-only property with behaviour.
template <class C, class G>
Member Getter(std::string_view name, G (C::*getter)() const) {
  return detail::MakeGetter<C>(name, getter);
}
template <class C, class G>
Member Getter(std::string_view name, G (C::*getter)()) {
  return detail::MakeGetter<C>(name, getter);
}

/// A read-only property whose getter takes index arguments (Item(index), Fields(name)).
template <class C, class R, class... A>
Member IndexedGetter(std::string_view name, R (C::*fn)(A...)) {
  Member m = detail::MakeMethod<C, decltype(fn), R, A...>(name, fn);
  m.kind = MemberKind::Property;
  m.indexed = true;
  return m;
}

/// A method; arguments converted by the parameter types, std::optional for optional ones.
template <class C, class R, class... A>
Member Method(std::string_view name, R (C::*fn)(A...)) {
  return detail::MakeMethod<C, decltype(fn), R, A...>(name, fn);
}
template <class C, class R, class... A>
Member Method(std::string_view name, R (C::*fn)(A...) const) {
  return detail::MakeMethod<C, decltype(fn), R, A...>(name, fn);
}

/// A field named at run time by a member pointer of C or of one of its bases (a table of
/// fields, as the skin's tags).
template <class C, class Base, class T>
Member FieldProp(std::string_view name, T Base::*field) {
  Member m;
  m.name = name;
  m.get = [field](Dispatch& d, Args args) -> Variant {
    return detail::ApplyIndex(ToVariant(static_cast<C&>(d).*field), args);
  };
  m.put = [field](Dispatch& d, Args args, const Variant& v) {
    if (!args.empty()) RaiseRuntimeError(err::kWrongArgumentCount);
    static_cast<C&>(d).*field = FromVariant<T>(v);
  };
  return m;
}

/// A method that takes its arguments as they come (variadic or hand-checked ones).
template <class C>
Member RawMethod(std::string_view name, Variant (C::*fn)(Args)) {
  Member m;
  m.name = name;
  m.kind = MemberKind::Method;
  m.get = [fn](Dispatch& d, Args args) -> Variant { return (static_cast<C&>(d).*fn)(args); };
  return m;
}

}  // namespace korvex
